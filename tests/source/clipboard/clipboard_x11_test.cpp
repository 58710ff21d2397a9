// The X11 clipboard on a display of the test's own (tests/tools/with-xvfb), filled
// by xclip as a browser or image viewer would fill it.

#include "source/clipboard_picture.h"
#include "tests/image/picture_samples.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

std::string writeFile(const std::string& name, const std::string& content)
{
    const std::string path = testing::TempDir() + "clipboard-x11-" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
    return path;
}

// xclip owns the selection from a process of its own once it has read the file;
// the reason after a read, retried while the old owner still answers (its
// answer is the stale reason, or its bytes when stale is empty).
std::string held(const PictureBytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data.get()), bytes.size);
}

std::string copyAndRead(const std::string& type, const std::string& content, PictureBytes& bytes,
                        const std::string& stale)
{
    const std::string path = writeFile("content", content);
    const std::string command = "xclip -selection clipboard -t " + type + " -i " + path;
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::string reason;
    for (int tries = 0; tries < 200; ++tries) {
        bytes.size = 0;
        reason = readClipboardPicture(bytes, clipboardWaitMs);
        const bool old = stale.empty() ? reason.empty() && held(bytes) != content : reason == stale;
        if (!old)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return reason;
}

TEST(ClipboardX11, APictureCopiedAsPngIsTakenAsItsFileBytes)
{
    PictureBytes nothing = emptyPictureBytes(1 << 24);
    EXPECT_EQ(readClipboardPicture(nothing, clipboardWaitMs), "There is nothing on the clipboard.");

    PictureBytes text = emptyPictureBytes(1 << 24);
    EXPECT_EQ(copyAndRead("UTF8_STRING", "a line of text", text, "There is nothing on the clipboard."),
              "There is no picture on the clipboard.");

    const std::string png(pictureSamples()[0].file.begin(), pictureSamples()[0].file.end());
    PictureBytes picture = emptyPictureBytes(1 << 24);
    EXPECT_EQ(copyAndRead("image/png", png, picture, "There is no picture on the clipboard."), "");
    EXPECT_EQ(held(picture), png);

    // Larger than one request: the owner sends it in pieces.
    std::string large(3 << 20, '\0');
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 + i / 4093);
    PictureBytes pieces = emptyPictureBytes(1 << 24);
    EXPECT_EQ(copyAndRead("image/jpeg", large, pieces, ""), "");
    EXPECT_EQ(held(pieces), large);

    PictureBytes small = emptyPictureBytes(1 << 20);
    EXPECT_EQ(readClipboardPicture(small, clipboardWaitMs), "It is larger than scrivdraw takes (512 MiB).");
    EXPECT_LE(small.capacity, size_t{1} << 20);

    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    EXPECT_EQ(readClipboardPicture(small, clipboardWaitMs),
              "This desktop gives scrivdraw no clipboard (there is no X display).");
    setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
