#pragma once
// Where an absolute pointer record lands, as the platform maps it back to a pixel:
// the virtual desktop moves its pointer so, and the drawing's own board model
// (-repair) follows it.

#include "desktop/platform.h"

#include <cstdint>

// The pixel an absolute coordinate lands on, as the platform maps it back:
// floor(a * size / 65536).
int32_t pixelFromAbsolute(int32_t a, int32_t size);

// The pixel a record lands on, as the platform maps it: over the virtual screen
// desk with mouseVirtualDesk, else over the primary screen (primaryWidth x
// primaryHeight at 0,0); coordinates past an edge stop at it.
void landingPixel(const MouseInputRecord& record, int32_t primaryWidth, int32_t primaryHeight, const ScreenRect& desk,
                  int32_t& x, int32_t& y);
