#include "tests/e2e_gnome/tools/portal_dialog.h"

#include "backends/linux_timing.h"
#include "tests/e2e_gnome/tools/mutter_session.h"

#include <cstdio>
#include <vector>

namespace {

// The dialog as this version of the GNOME portal draws it (Adwaita): the Share
// button is the blue of suggested actions, Cancel a grey button beside it, and
// the switch a light grey track while off.
constexpr uint32_t suggestedBlue = 0x3584E4;
constexpr uint32_t cancelGrey = 0xD9D9D9;
constexpr uint32_t switchOffGrey = 0xE1E1E1;

struct Box {
    int32_t left = 0, top = 0, right = -1, bottom = -1;  // inclusive
    int64_t count = 0;
    int32_t width() const { return right - left + 1; }
    int32_t height() const { return bottom - top + 1; }
    int32_t middleX() const { return left + width() / 2; }
    int32_t middleY() const { return top + height() / 2; }
};

struct Screen {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// The areas of one exact colour, each a set of pixels joined side by side.
std::vector<Box> areasOf(const Screen& screen, uint32_t colour)
{
    std::vector<Box> areas;
    std::vector<uint8_t> seen(screen.pixels.size(), 0);
    std::vector<int64_t> queue;
    for (int64_t start = 0; start < int64_t(screen.pixels.size()); ++start) {
        if (seen[start] != 0 || screen.pixels[start] != colour)
            continue;
        Box box{screen.width, screen.height, -1, -1, 0};
        queue.assign(1, start);
        seen[start] = 1;
        while (!queue.empty()) {
            const int64_t at = queue.back();
            queue.pop_back();
            const int32_t x = int32_t(at % screen.width);
            const int32_t y = int32_t(at / screen.width);
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
            ++box.count;
            const int64_t next[4] = {x > 0 ? at - 1 : -1, x + 1 < screen.width ? at + 1 : -1,
                                     y > 0 ? at - screen.width : -1, y + 1 < screen.height ? at + screen.width : -1};
            for (int64_t n : next)
                if (n >= 0 && seen[n] == 0 && screen.pixels[n] == colour) {
                    seen[n] = 1;
                    queue.push_back(n);
                }
        }
        areas.push_back(box);
    }
    return areas;
}

// The Share button: the largest blue area of a button's size.
bool findShare(const Screen& screen, Box& share)
{
    bool found = false;
    for (const Box& b : areasOf(screen, suggestedBlue))
        if (b.width() >= 30 && b.width() <= 300 && b.height() >= 15 && b.height() <= 80 && b.count > share.count) {
            share = b;
            found = true;
        }
    return found;
}

// A pill about twice as wide as high (less the knob), below the buttons: the switch.
bool findSwitch(const Screen& screen, const Box& share, Box& track)
{
    bool found = false;
    for (const Box& b : areasOf(screen, switchOffGrey))
        if (b.top > share.bottom && b.height() >= 12 && b.height() <= 60 && b.width() >= b.height() &&
            b.width() <= b.height() * 5 / 2 && b.count > track.count) {
            track = b;
            found = true;
        }
    return found;
}

// The grey button level with Share, left of it: Cancel.
bool findCancel(const Screen& screen, const Box& share, Box& cancel)
{
    bool found = false;
    for (const Box& b : areasOf(screen, cancelGrey))
        if (b.right < share.left && b.top <= share.middleY() && b.bottom >= share.middleY() && b.width() >= 30 &&
            b.count > cancel.count) {
            cancel = b;
            found = true;
        }
    return found;
}

// On, the track is blue (lighter under the pointer): most of where the grey was.
bool switchedOn(const Screen& screen, const Box& off)
{
    int64_t blue = 0;
    for (int32_t y = off.top; y <= off.bottom; ++y)
        for (int32_t x = off.left; x <= off.right && y < screen.height && x < screen.width; ++x) {
            const uint32_t p = screen.pixels[size_t(y) * size_t(screen.width) + size_t(x)];
            const int32_t r = int32_t(p >> 16 & 0xFF), b = int32_t(p & 0xFF);
            blue += b >= 0xC0 && b - r >= 0x60 ? 1 : 0;
        }
    return blue * 3 >= off.count;
}

bool grab(Screen& screen) { return grabScreen(screen.width, screen.height, screen.pixels); }

void save(const Screen& screen, const char* path)
{
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", int(screen.width), int(screen.height));
    for (uint32_t p : screen.pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, file);
    }
    std::fclose(file);
}

// Polls the screen until ready() holds, at most timeoutMs.
template <typename Ready>
bool waitFor(Screen& screen, int64_t timeoutMs, Ready ready)
{
    const int64_t deadline = monotonicNs() + timeoutMs * 1'000'000;
    do {
        if (grab(screen) && ready(screen))
            return true;
    } while (monotonicNs() < deadline);
    return false;
}

bool answer(DialogAnswer how, const char* shot)
{
    Screen screen;
    Box share;
    if (!waitFor(screen, 30000, [&](const Screen& s) { share = Box{}; return findShare(s, share); })) {
        std::fprintf(stderr, "mutter_screen: no dialog with a Share button came\n");
        return false;
    }
    if (shot != nullptr)
        save(screen, shot);
    // The first click of a new input device can be lost: a click on the title first.
    clickAt(share.left - 200, share.middleY());
    sleepUntilNs(monotonicNs() + 200'000'000);
    if (how == DialogAnswer::Cancel) {
        Box cancel;
        if (!findCancel(screen, share, cancel)) {
            std::fprintf(stderr, "mutter_screen: the dialog has no Cancel button\n");
            return false;
        }
        clickAt(cancel.middleX(), cancel.middleY());
    } else {
        if (how == DialogAnswer::AllowAndShare) {
            Box off;
            if (!findSwitch(screen, share, off)) {
                std::fprintf(stderr, "mutter_screen: the dialog has no switch that is off\n");
                return false;
            }
            clickAt(off.middleX(), off.middleY());
            if (!waitFor(screen, 5000, [&](const Screen& s) { return switchedOn(s, off); })) {
                std::fprintf(stderr, "mutter_screen: the switch did not turn on\n");
                return false;
            }
        }
        clickAt(share.middleX(), share.middleY());
    }
    // Answered once the dialog has gone.
    if (!waitFor(screen, 10000, [&](const Screen& s) { Box b; return !findShare(s, b); })) {
        std::fprintf(stderr, "mutter_screen: the dialog is still there\n");
        return false;
    }
    return true;
}

}  // namespace

bool answerDialog(DialogAnswer how, const char* shot)
{
    if (!openMutterSession(true))
        return false;
    const bool done = answer(how, shot);
    closeMutterSession();
    return done;
}
