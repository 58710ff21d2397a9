#pragma once
// The first stroke is checked on the screen: the first board gesture meant to
// change a pixel must show there in the pen's colour within 2 s (pages paint a
// frame or two later; 6 s while the pixel shows what it showed before), and so
// must the next ones until one shows in a pen bright enough to prove that the
// sliders took their clicks. What finds a board cannot
// tell a page that takes no input, one shown at another scale, or another page
// with a grey line, from the drawing page; this can. Once such a stroke showed,
// nothing more is checked. Like the watchdog, it checks only the desktop it was
// armed on, so a pass sent to a model of the page is left alone.

#include <cstdint>
#include <string>

// Colour management may shift what a page paints by a few steps a channel: two
// 0x00BBGGRR colours this close on every channel show the same paint.
inline constexpr int32_t shownChannelTolerance = 16;
bool coloursNear(uint32_t seen, uint32_t meant);

void armStrokeCheck();
void disarmStrokeCheck();

// Called just before and just after each new gesture is sent; channel is the
// slider's (0..2) or boardGesture. pageAway tells, when a stroke did not show,
// whether the page was covered or moved meanwhile (then a later stroke is checked
// instead); null: never.
void strokeCheckBefore(int32_t channel, int32_t x1, int32_t y1);
void strokeCheckAfter(bool (*pageAway)());

// True once the first stroke did not show: nothing more may be sent.
bool strokeCheckFailed();

// Once: whether keypad minus went down while a stroke was awaited.
bool strokeCheckPauseAsked();

// The line that says what did not show, with no line end.
std::string strokeCheckFailure();
