#include "driver/run_sequence.h"

#include "backends/stop_request.h"
#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"
#include "desktop/board_locator.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "preview/scrivlet_page.h"
#include "preview/virtual_desktop.h"
#include "driver/drawing_pass.h"
#include "driver/fast_pass.h"
#include "driver/progress.h"
#include "driver/random_source.h"
#include "image/targa_image.h"

#include <cstdio>
#include <string>

namespace {

constexpr int failureStatus = -1;
constexpr int32_t startupWaitMs = 5000;

void say(const char* text) { std::fputs(text, stdout); }

// Every way out of a run: output flushed, the desktop let go.
int finish(int status, bool desktopOpen)
{
    endProgress();
    std::fflush(stdout);
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

}  // namespace

int runScrivdraw(int argc, const char* const* argv)
{
    resetRandomSource();
    const TokenizeResult tokenized = tokenizeCommandLine(joinArguments(argc, argv));
    if (tokenized != TokenizeResult::Tokenized) {
        say(tokenizeMessage(tokenized));
        return finish(failureStatus, false);
    }

    const int32_t previewSlot = findArgument("-preview");
    if (previewSlot != 0)
        choosePreviewDesktop();
    if (const char* problem = openDesktop(); *problem != '\0') {
        say(problem);
        return finish(failureStatus, false);
    }

    minimiseConsole();
    sleepMilliseconds(startupWaitMs);
    if (stopRequested())
        return finish(failureStatus, true);  // Ctrl+C during the wait: nothing drawn, nothing said
    primaryScreenSize(ScreenSize.width, ScreenSize.height);

    int32_t boardX = 0;
    int32_t boardY = 0;
    if (!locateBoard(boardX, boardY)) {
        say("Couldn't find upper left corner of Scrivlet page...did you make that window active and to the front?\n");
        return finish(failureStatus, true);
    }
    BoardOrigin = {boardX, boardY};
    std::printf("Found start of Scrivlet board at %d , %d \n", boardX, boardY);

    TargaImage firstPicture;
    TargaImage secondPicture;

    const int32_t imageSlot = findArgument("-image");
    if (imageSlot == 0) {
        say("You must at least supply the name of a image, fool!\n");
        return finish(failureStatus, true);
    }
    const std::string imagePath = argumentAt(imageSlot + 1);
    if (firstPicture.load(imagePath.c_str()) != LoadResult::Loaded) {
        std::printf("Couldn't load image %s!\n", imagePath.c_str());
        return finish(failureStatus, true);
    }

    if (isOptionPresent("-1280x800"))
        ScreenSize = {1280, 800};
    const RunSettings settings = readRunSettings();

    if (settings.image2 && secondPicture.load(settings.image2->c_str()) != LoadResult::Loaded) {
        say("Couldn't load image2!\n");
        return finish(failureStatus, true);
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

    const PassPixels* blended = settings.image2 ? &second : nullptr;
    DrawingTally tally;
    if (runDrawing(settings, first, blended, tally) == PassResult::Aborted)
        return finish(failureStatus, true);

    say("Have a day!\n");
    if (previewSlot != 0) {
        const char* previewPath = argumentAt(previewSlot + 1);
        if (!writeScreenPng(previewPath, BoardOrigin.x, BoardOrigin.y, boardSide, boardSide)) {
            std::printf("Couldn't write the preview %s!\n", previewPath);
            return finish(failureStatus, true);
        }
        say(costText(tally.points, tally.records, startupWaitMs).c_str());
    }
    return finish(0, true);
}
