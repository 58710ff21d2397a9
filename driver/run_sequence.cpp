#include "driver/run_sequence.h"

#include "common/stop_request.h"
#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"
#include "cmdline/usage.h"
#include "desktop/page_pace.h"
#include "desktop/page_scale.h"
#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "desktop/stroke_check.h"
#include "preview/scrivlet_page.h"
#include "preview/virtual_desktop.h"
#include "driver/board_finding.h"
#include "driver/drawing_check.h"
#include "driver/drawing_pass.h"
#include "driver/fast_pass.h"
#include "driver/normal_board.h"
#include "driver/picture_choice.h"
#include "driver/progress.h"
#include "driver/repair_pass.h"
#include "driver/random_source.h"
#include "image/picture_loader.h"

#include <cstdio>
#include <string>

namespace {

constexpr int failureStatus = -1;

void say(const char* text) { std::fputs(text, stdout); }

// Every way out of a run: output flushed, the desktop let go.
int finish(int status, bool desktopOpen)
{
    choosePace(paceDefault);
    endProgress();
    std::fflush(stdout);
    disarmPageWatchdog();
    disarmStrokeCheck();
    if (desktopOpen)
        closeDesktop();
    return status;
}

// -preview draws on a model of the page in memory instead of the real desktop.
void choosePreviewDesktop()
{
    resetVirtualDesktop(previewScreenWidth, previewScreenHeight, pageBackground);
    showScrivletPage(defaultBoardX, defaultBoardY);
    useDesktop(virtualDesktop());
}

// -preview's file must be writable before anything else happens: false after the
// one line saying why not.
bool previewPathUsable(int32_t previewSlot)
{
    const char* previewPath = argumentAt(previewSlot + 1);
    const std::string problem = previewPathProblem(previewPath);
    if (problem.empty())
        return true;
    std::printf("Couldn't write the preview %s! %s\n", previewPath, problem.c_str());
    return false;
}

// Reads the board back, redraws what differs and says how it went in one line.
// False when Escape ended it, or when the page draws otherwise than modelled.
bool reportRepair(const PageModel& meant)
{
    RepairReport report;
    switch (repairBoard(meant, report)) {
    case RepairResult::Aborted:
        return false;
    case RepairResult::Refused:
        std::printf("The page does not draw as expected: %lld of %lld painted pixels differ, so no repair!\n",
                    static_cast<long long>(report.firstDiffering), static_cast<long long>(report.painted));
        return false;
    case RepairResult::Done:
        break;
    }
    std::printf("Repaired %lld pixels, %lld still differ.\n", static_cast<long long>(report.repaired),
                static_cast<long long>(report.stillDiffering));
    return true;
}

// The board read back at the end: true when it shows the drawing, else false after
// the one line that says what it shows instead (nothing more on Escape).
bool drawingShown(const PageModel& meant, bool repaired)
{
    DrawingCheckReport report;
    const DrawingCheck check = checkDrawingShown(meant, report);
    if (check == DrawingCheck::Shown)
        return true;
    if (check != DrawingCheck::Aborted)
        std::printf("%s\n", drawingCheckLine(check, report, repaired).c_str());
    return false;
}

}  // namespace

int runScrivdraw(int argc, const char* const* argv)
{
    resetRandomSource();
    const TokenizeResult tokenized = tokenizeCommandLine(joinArguments(argc, argv));
    if (tokenized != TokenizeResult::Tokenized) {
        say(tokenizeMessage(tokenized));
        return finish(failureStatus, false);
    }

    // Help, the version and a bad wait are answered before the desktop is touched.
    if (answerHelpOrVersion())
        return finish(0, false);
    int32_t waitSeconds = 0;
    if (const std::string refusal = readWaitSeconds(waitSeconds); !refusal.empty()) {
        say(refusal.c_str());
        return finish(failureStatus, false);
    }

    const int32_t previewSlot = findArgument("-preview");
    if (previewSlot != 0 && !previewPathUsable(previewSlot))
        return finish(failureStatus, false);
    if (previewSlot != 0)
        choosePreviewDesktop();
    if (const char* problem = openDesktop(); *problem != '\0') {
        say(problem);
        return finish(failureStatus, false);
    }

    minimiseConsole();
    sleepMilliseconds(waitSeconds * 1000);
    if (stopRequested())
        return finish(failureStatus, true);  // Ctrl+C during the wait: nothing drawn, nothing said
    primaryScreenSize(ScreenSize.width, ScreenSize.height);
    VirtualDesk = {};

    FoundBoard board;
    std::string refusal;
    const bool anywhere = isOptionPresent("-anywhere");
    if (!findBoard(anywhere, board, refusal)) {
        std::printf("%s\n", refusal.c_str());
        return finish(failureStatus, true);
    }
    BoardOrigin = {board.x, board.y};
    // Nothing covers, moves or ignores a page in memory.
    if (previewSlot == 0) {
        armPageWatchdog(board.x, board.y - edgeGap, board.edgeRun, anywhere, board.edgeLength);
        armStrokeCheck();
    }
    std::printf("Found start of Scrivlet board at %d , %d \n", board.x, board.y);

    Picture firstPicture;
    Picture secondPicture;

    if (const std::string failure = loadChosenPicture(firstPicture); !failure.empty()) {
        std::printf("%s\n", failure.c_str());
        return finish(failureStatus, true);
    }

    // Asked for on a screen of another size, every gesture lands proportionally off
    // what it names: neither the first stroke nor the board can show what was aimed.
    bool landsAsAimed = true;
    if (isOptionPresent("-1280x800")) {
        landsAsAimed = ScreenSize.width == 1280 && ScreenSize.height == 800;
        if (!landsAsAimed)
            disarmStrokeCheck();
        ScreenSize = {1280, 800};
    }
    const RunSettings settings = readRunSettings();

    if (settings.image2) {
        if (const std::string failure = loadSecondPicture(secondPicture, *settings.image2); !failure.empty()) {
            std::printf("%s\n", failure.c_str());
            return finish(failureStatus, true);
        }
    }
    if (const std::string refusal = validateRunSettings(settings); !refusal.empty()) {
        say(refusal.c_str());
        return finish(failureStatus, true);
    }

    PassPixels first;
    PassPixels second;
    if (firstPicture.convertForPass(first) != LoadResult::Loaded ||
        (settings.image2 && secondPicture.convertForPass(second) != LoadResult::Loaded)) {
        say("Not enough memory for the pictures!\n");
        return finish(failureStatus, true);
    }

    static_assert(runPaceAuto == paceAuto && runPaceFastestUs == fastestPaceUs &&
                  runPaceSlowestUs == slowestFixedPaceUs);
    choosePace(settings.pace);

    const PassPixels* blended = settings.image2 ? &second : nullptr;
    // A page in memory drops nothing: -preview has nothing to repair or check.
    const bool repairing = settings.repair && previewSlot == 0;
    const bool checking = previewSlot == 0 && landsAsAimed;
    NormalBoard meant;
    if ((repairing || checking) && learnNormalBoard(settings, first, blended, meant) == PassResult::Aborted)
        return finish(failureStatus, true);
    DrawingTally tally;
    if (runDrawing(settings, first, blended, tally) == PassResult::Aborted) {
        if (strokeCheckFailed()) {
            // Where the page is likely shown at another scale, say so and how to
            // undo it, after what was seen.
            const std::string advice =
                likelyScaleAdvice(board.edgeLength, displayScalePercent(board.x, board.y - edgeGap));
            std::printf("%s%s%s\n", strokeCheckFailure().c_str(), advice.empty() ? "" : " ", advice.c_str());
        }
        return finish(failureStatus, true);
    }

    if (repairing && !reportRepair(meant.page))
        return finish(failureStatus, true);
    if (settings.pace != paceDefault && previewSlot == 0)
        say(paceText(paceReport()).c_str());
    // "Have a day!" says the board shows the picture: a page that lost input is told.
    if (checking && !drawingShown(meant.page, repairing))
        return finish(failureStatus, true);
    say("Have a day!\n");
    if (previewSlot != 0) {
        const char* previewPath = argumentAt(previewSlot + 1);
        if (!writeScreenPng(previewPath, BoardOrigin.x, BoardOrigin.y, boardSide, boardSide)) {
            std::printf("Couldn't write the preview %s!\n", previewPath);
            return finish(failureStatus, true);
        }
        say(costText(tally.points, tally.records, int64_t{waitSeconds} * 1000, settings.pace).c_str());
    }
    return finish(0, true);
}
