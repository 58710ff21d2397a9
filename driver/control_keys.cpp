#include "driver/control_keys.h"

#include "desktop/platform.h"

KeyVerdict pollControlKeys(bool& paused)
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
