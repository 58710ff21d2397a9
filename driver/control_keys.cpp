#include "driver/control_keys.h"

#include "desktop/platform.h"
#include "driver/progress.h"

namespace {

KeyVerdict readKeys(bool& paused)
{
    if (isKeyDown(ControlKey::Escape))
        return KeyVerdict::Abort;
    if (isKeyDown(ControlKey::KeypadMinus))
        paused = true;
    if (isKeyDown(ControlKey::KeypadPlus))
        paused = false;
    else if (paused)
        return KeyVerdict::Wait;
    return KeyVerdict::Draw;
}

}  // namespace

KeyVerdict pollControlKeys(bool& paused)
{
    const KeyVerdict verdict = readKeys(paused);
    updateProgress(verdict == KeyVerdict::Wait);
    return verdict;
}
