#include "driver/progress.h"

#include "desktop/page_pace.h"
#include "desktop/platform.h"
#include "desktop/pointer.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int64_t updateEveryMs = 250;

struct Progress {
    bool running = false;
    int64_t total = 0;
    int64_t firstRecord = 0;  // sentInputRecords() at the start
    int64_t startMs = 0;
    int64_t pausedMs = 0;       // paused time so far, not counting a pause under way
    int64_t pausedSinceMs = -1;
    int64_t lastShownMs = 0;
    bool shownPaused = false;
};

Progress progress;

}  // namespace

std::string progressText(int64_t sent, int64_t total, int64_t activeMs, bool paused)
{
    const int64_t done = std::clamp<int64_t>(sent, 0, std::max<int64_t>(total, 0));
    const int64_t percent = total > 0 ? done * 100 / total : 100;
    char text[96];
    if (paused) {
        std::snprintf(text, sizeof text, "scrivdraw %lld%% \xC2\xB7 paused", static_cast<long long>(percent));
        return text;
    }
    if (done == 0 || activeMs <= 0) {
        std::snprintf(text, sizeof text, "scrivdraw %lld%%", static_cast<long long>(percent));
        return text;
    }
    // The pace so far, in records a millisecond, applied to what is left; rounded up
    // to the second so that "0:00 left" means done.
    const double leftMs = double(total - done) * double(activeMs) / double(done);
    const int64_t leftS = std::clamp<int64_t>(int64_t(leftMs / 1000.0 + 0.999), 0, 359'999);
    std::snprintf(text, sizeof text, "scrivdraw %lld%% \xC2\xB7 %lld:%02lld left", static_cast<long long>(percent),
                  static_cast<long long>(leftS / 60), static_cast<long long>(leftS % 60));
    return text;
}

// 720000 as "720,000".
std::string grouped(int64_t n)
{
    const std::string digits = std::to_string(n < 0 ? 0 : n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string costText(int64_t points, int64_t records, int64_t waitMs, int32_t pace)
{
    const int64_t perRecordUs = pace > 0 ? pace : 1000;
    const int64_t drawingMs = (std::max<int64_t>(records, 0) * perRecordUs + 999) / 1000;
    const int64_t seconds = std::max<int64_t>((drawingMs + std::max<int64_t>(waitMs, 0) + 999) / 1000, 0);
    std::string duration;
    if (seconds >= 3600)
        duration = std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
    else if (seconds >= 60)
        duration = std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
    else
        duration = std::to_string(seconds) + " s";
    return "A real run draws " + grouped(points) + (points == 1 ? " point" : " points") + " with " + grouped(records) +
           " input records: about " + duration +
           (pace == paceAuto ? " at a millisecond a record, an estimate: with -pace auto the page sets the pace" : "") +
           ".\n";
}

std::string paceText(const PaceReport& report)
{
    char stalls[80] = "";
    if (report.stalls > 0)
        std::snprintf(stalls, sizeof stalls, ", %lld more showed over a second late (the page stalled)",
                      static_cast<long long>(report.stalls));
    char text[400];
    std::snprintf(text, sizeof text,
                  "Pace: %d us a record at the end; the page lagged %lld ms on average, at most %lld ms; "
                  "%lld %s did not show%s; a look at the page took %.2f ms, one every %.1f ms.\n",
                  report.pauseUs, static_cast<long long>((report.meanLagUs + 500) / 1000),
                  static_cast<long long>((report.longestLagUs + 999) / 1000), static_cast<long long>(report.dropped),
                  report.dropped == 1 ? "gesture" : "gestures", stalls, double(report.meanLookCostUs) / 1000.0,
                  double(report.lookSpacingUs) / 1000.0);
    return text;
}

void startProgress(int64_t total)
{
    progress = Progress{};
    progress.running = true;
    progress.total = total;
    progress.firstRecord = sentInputRecords();
    progress.startMs = clockMilliseconds();
    progress.lastShownMs = progress.startMs - updateEveryMs;
}

void updateProgress(bool paused)
{
    if (!progress.running)
        return;
    const int64_t now = clockMilliseconds();
    if (paused && progress.pausedSinceMs < 0)
        progress.pausedSinceMs = now;
    if (!paused && progress.pausedSinceMs >= 0) {
        progress.pausedMs += now - progress.pausedSinceMs;
        progress.pausedSinceMs = -1;
    }
    // A pause shows at once; otherwise at most four updates a second.
    if (now - progress.lastShownMs < updateEveryMs && paused == progress.shownPaused)
        return;
    progress.lastShownMs = now;
    progress.shownPaused = paused;
    const int64_t pausedNow = progress.pausedSinceMs >= 0 ? now - progress.pausedSinceMs : 0;
    const int64_t active = now - progress.startMs - progress.pausedMs - pausedNow;
    showStatus(progressText(sentInputRecords() - progress.firstRecord, progress.total, active, paused).c_str());
}

void endProgress()
{
    if (progress.running)
        showStatus("");
    progress.running = false;
}
