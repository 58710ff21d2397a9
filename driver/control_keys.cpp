#include "driver/control_keys.h"

#include "desktop/drawing_stop.h"
#include "desktop/platform.h"
#include "driver/progress.h"

namespace {

KeyVerdict readKeys(bool& paused)
{
    // Escape seen while waiting for the page, or a first stroke the page did not
    // show, ends the run here, without another poll.
    if (drawingStop() != DrawingStop::None || isKeyDown(ControlKey::Escape))
        return KeyVerdict::Abort;
    if (isKeyDown(ControlKey::KeypadMinus) || drawingPauseAsked())
        paused = true;
    if (isKeyDown(ControlKey::KeypadPlus)) {
        paused = false;
    } else if (paused) {
        drawingPausedByKeys();  // the page may be gone by the time drawing resumes
        return KeyVerdict::Wait;
    }
    return KeyVerdict::Draw;
}

}  // namespace

KeyVerdict pollControlKeys(bool& paused)
{
    const KeyVerdict verdict = readKeys(paused);
    updateProgress(verdict == KeyVerdict::Wait);
    return verdict;
}
