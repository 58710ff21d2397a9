// The clipboard of a headless sway of the test's own (tests/tools/with-sway, as
// sway's user), read through data-control and filled by wl-copy as a browser or
// image viewer would fill it.

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
    const std::string path = testing::TempDir() + "clipboard-wayland-" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
    return path;
}

std::string held(const PictureBytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data.get()), bytes.size);
}

// wl-copy serves the selection from a process of its own, which may take it over
// a moment after wl-copy returns: the reason after a read, read again while the
// old owner still answers (its answer is the stale reason, or other bytes when
// stale is empty).
std::string readUntilChanged(const std::string& content, PictureBytes& bytes, const std::string& stale,
                             int32_t waitMs = clipboardWaitMs)
{
    std::string reason;
    for (int tries = 0; tries < 200; ++tries) {
        bytes.size = 0;
        reason = readClipboardPicture(bytes, waitMs);
        const bool old = stale.empty() ? reason.empty() && held(bytes) != content : reason == stale;
        if (!old)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return reason;
}

std::string copyAndRead(const std::string& type, const std::string& content, PictureBytes& bytes,
                        const std::string& stale)
{
    const std::string command = "wl-copy --type " + type + " < " + writeFile("content", content);
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readUntilChanged(content, bytes, stale);
}

TEST(ClipboardWayland, APictureCopiedAsPngIsTakenAsItsFileBytes)
{
    ASSERT_NE(std::getenv("WAYLAND_DISPLAY"), nullptr) << "run under tests/tools/with-sway";
    PictureBytes nothing = emptyPictureBytes(1 << 24);
    EXPECT_EQ(readClipboardPicture(nothing, clipboardWaitMs), "There is nothing on the clipboard.");

    PictureBytes text = emptyPictureBytes(1 << 24);
    EXPECT_EQ(copyAndRead("text/plain", "a line of text", text, "There is nothing on the clipboard."),
              "There is no picture on the clipboard.");

    const std::string png(pictureSamples()[0].file.begin(), pictureSamples()[0].file.end());
    PictureBytes picture = emptyPictureBytes(1 << 24);
    EXPECT_EQ(copyAndRead("image/png", png, picture, "There is no picture on the clipboard."), "");
    EXPECT_EQ(held(picture), png);
    // A drawing, not a picture: no decoder here reads it.
    EXPECT_EQ(copyAndRead("image/svg+xml", "<svg/>", text, ""), "There is no picture on the clipboard.");

    // Far more than a pipe holds: the owner writes as the reader takes it.
    std::string large(3 << 20, '\0');
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 + i / 4093);
    PictureBytes pieces = emptyPictureBytes(1 << 24);
    EXPECT_EQ(copyAndRead("image/jpeg", large, pieces, "There is no picture on the clipboard."), "");
    EXPECT_EQ(held(pieces), large);

    PictureBytes small = emptyPictureBytes(1 << 20);
    EXPECT_EQ(readClipboardPicture(small, clipboardWaitMs), "It is larger than scrivdraw takes (512 MiB).");
    EXPECT_LE(small.capacity, size_t{1} << 20);

    EXPECT_EQ(std::system("wl-copy --clear"), 0);
    PictureBytes cleared = emptyPictureBytes(1 << 24);
    EXPECT_EQ(readUntilChanged("", cleared, ""), "There is nothing on the clipboard.");
}

TEST(ClipboardWayland, AnOwnerThatNeverSendsIsWaitedForOnlyAsLongAsSaid)
{
    // wl-copy in the foreground, stopped once it owns the clipboard: it is sent the
    // request and never writes.
    const std::string png(pictureSamples()[0].file.begin(), pictureSamples()[0].file.end());
    const std::string command =
        "wl-copy --foreground --type image/png < " + writeFile("stalled", png) + " >/dev/null 2>&1 & echo $!";
    std::FILE* shell = popen(command.c_str(), "r");
    ASSERT_NE(shell, nullptr);
    long owner = 0;
    const int scanned = std::fscanf(shell, "%ld", &owner);
    pclose(shell);
    ASSERT_EQ(scanned, 1);
    ASSERT_GT(owner, 1);
    PictureBytes bytes = emptyPictureBytes(1 << 24);
    ASSERT_EQ(readUntilChanged(png, bytes, "There is nothing on the clipboard."), "");
    const std::string pid = std::to_string(owner);
    ASSERT_EQ(std::system(("kill -STOP " + pid).c_str()), 0);
    bytes.size = 0;
    const std::string reason = readClipboardPicture(bytes, 500);
    std::system(("kill -CONT " + pid + "; kill " + pid).c_str());
    EXPECT_EQ(reason, "The clipboard's owner did not send the whole picture in time.");
}

TEST(ClipboardWayland, ACompositorThatIsNotThereIsOneLine)
{
    const std::string named = std::getenv("WAYLAND_DISPLAY");
    setenv("WAYLAND_DISPLAY", "/nonexistent/wayland-9", 1);
    PictureBytes bytes = emptyPictureBytes(1 << 20);
    EXPECT_EQ(readClipboardPicture(bytes, clipboardWaitMs),
              "The clipboard could not be reached (the Wayland display did not answer).");
    setenv("WAYLAND_DISPLAY", named.c_str(), 1);
}

}  // namespace
