#pragma once
// The drawing's end: the board read back from the screen once the page has shown
// everything sent, and every pixel the run paints compared with the board the run
// meant to leave, so that a page that lost input (a busy machine, a browser that
// fell behind) is told, never reported as drawn. Pixels the run does not paint are
// the page's own business and are not compared.

#include "preview/page_model.h"

#include <cstdint>
#include <string>

enum class DrawingCheck {
    Shown,    // every painted pixel shows the colour meant
    Lost,     // some differ: input the page lost
    Unlike,   // most differ: the page draws otherwise than modelled
    Aborted,  // Escape while waiting for the page
};

struct DrawingCheckReport {
    int64_t painted = 0;    // pixels the run paints
    int64_t differing = 0;  // of those, pixels whose colour is off by more than the tolerance
};

// The board counts as shown once no probe of the page's pace is yet to show and
// the board has not changed for this long: a browser starved of time on a busy
// machine stalls for seconds and paints on (one still for three painted the rest
// a second and a half later, where the probes had long been given up). Only a
// board that differs waits for it. Reads are this far apart.
inline constexpr int32_t stillForMs = 6000;
// Once nothing more is sent, a probe is waited for this long before it counts as
// lost: a starved browser stalls for seconds at the end too (one stalled for four,
// still for three of them, was told it had lost what it then painted), and only a
// board that differs waits.
inline constexpr int64_t endProbeWaitUs = 10'000'000;
inline constexpr int32_t stillReadEveryMs = 200;
// At most this long for the page to finish (it changes all the while), or to be
// back when covered: then the board is judged as it is.
inline constexpr int32_t checkWaitLimitMs = 60000;

// meant: the board the run meant to leave (the page model after the normal pass).
// Reads the board at BoardOrigin.
DrawingCheck checkDrawingShown(const PageModel& meant, DrawingCheckReport& report);

// The one line (no line end) for a check that did not find the drawing shown.
std::string drawingCheckLine(DrawingCheck check, const DrawingCheckReport& report, bool repaired);
