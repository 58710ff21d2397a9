// Built without KWin's protocol definitions: Plasma's pointer goes through the
// portal.

#include "backends/portal/kwin_input.h"

bool openKwinInput() { return false; }
bool kwinInputOpen() { return false; }
void closeKwinInput() {}
bool kwinPointerTo(int32_t, int32_t) { return false; }
bool kwinLeftButton(bool) { return false; }
void settleKwinInput(bool) {}
