// A start from Explorer: when it is one, and what it leads to.

#include "driver/explorer_start.h"
#include "image/picture_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ExplorerStart, OnlyAConsoleOfItsOwnMeansExplorer)
{
    EXPECT_TRUE(startedFromExplorer(1));
    EXPECT_FALSE(startedFromExplorer(2));  // cmd.exe or PowerShell with it
    EXPECT_FALSE(startedFromExplorer(3));
    EXPECT_FALSE(startedFromExplorer(0));  // no console at all: the call failed
}

TEST(ExplorerStart, ADoubleClickAsksADropIsTakenAnythingElseRunsAsGiven)
{
    struct Case {
        bool fromExplorer;
        std::vector<const char*> argv;
        ExplorerAction action;
    } cases[] = {
        {true, {"scrivdraw.exe"}, ExplorerAction::AskForPicture},
        {true, {"scrivdraw.exe", "C:\\Users\\Jo Smith\\Pictures\\rose.png"}, ExplorerAction::TakeDroppedPicture},
        {true, {"scrivdraw.exe", "-fast"}, ExplorerAction::None},  // a shortcut with options
        {true, {"scrivdraw.exe", "/?"}, ExplorerAction::None},
        {true, {"scrivdraw.exe", "a.png", "b.png"}, ExplorerAction::None},  // several dropped: refused as given
        {true, {"scrivdraw.exe", ""}, ExplorerAction::None},
        {false, {"scrivdraw.exe"}, ExplorerAction::None},  // from a console nothing changes
        {false, {"scrivdraw.exe", "rose.png"}, ExplorerAction::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(explorerAction(c.fromExplorer, int(c.argv.size()), c.argv.data()), c.action)
            << c.fromExplorer << " " << c.argv.size();
}

TEST(ExplorerStart, APathWithSpacesStaysOneQuotedWord)
{
    EXPECT_EQ(argumentsForPicture("C:\\My Pictures\\rose.png"),
              (std::vector<std::string>{"scrivdraw", "-image", "\"C:\\My Pictures\\rose.png\""}));
}

TEST(ExplorerStart, TheDialogOffersThePicturesThisBuildReadsThenEverything)
{
    const std::string filter = pictureDialogFilter();
    // Name, patterns, name, patterns, and the closing zero.
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = filter.find('\0'); at != std::string::npos; at = filter.find('\0', start)) {
        parts.push_back(filter.substr(start, at - start));
        start = at + 1;
    }
    ASSERT_EQ(parts.size(), 5u) << filter;
    EXPECT_EQ(parts[4], "");
    EXPECT_EQ(start, filter.size());
    EXPECT_EQ(parts[0], "Pictures (" + parts[1] + ")");
    EXPECT_EQ(parts[2], "All files (*.*)");
    EXPECT_EQ(parts[3], "*.*");
#if defined(_WIN32)
    EXPECT_EQ(parts[1], "*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff;*.tga");
#else
    EXPECT_EQ(parts[1], "*.png;*.jpg;*.jpeg;*.webp;*.tga");
#endif
}

}  // namespace
