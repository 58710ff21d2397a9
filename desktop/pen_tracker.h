#pragma once
// The pen as the slider clicks sent so far set it: what the stages after a gesture
// expect a board gesture to paint. The page's pen starts black; a channel counts
// as known once a click was sent for it.

#include <cstdint>

// Black, no channel known: a page newly found, a pace newly chosen.
void forgetPen();

// A slider click sent at the screen column x on the slider of channel (0..2) of a
// board whose left column is boardLeft: the position, held to the slider's ends,
// sets the channel.
void notePenClick(int32_t channel, int32_t x, int32_t boardLeft);

// Channel values, 0..255.
int32_t penChannel(int32_t channel);
// 0x00BBGGRR.
uint32_t penColour();
// Whether every channel was set by a click sent.
bool penKnown();
