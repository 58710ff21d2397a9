#pragma once
// The order the fast drawing's colours are drawn in. A colour's strokes may run
// across the pixels of every colour drawn after it, so a colour whose pixels lie
// scattered among others' wants to come early, and one that forms solid runs loses
// nothing by coming late. Chosen from the last colour back: each time the colour
// that loses least by being drawn now rather than first (in strokes, plus the
// slider clicks between it and its neighbour in the order) takes the latest free
// place, and its pixels open for every colour still to be placed.

#include <cstdint>
#include <vector>

// pixelsOf: each colour's board indexes in row order; pens: each colour's three
// slider positions, 6 bits each (red highest); colourAt: every board pixel's colour,
// or -1 where nothing is painted. Returns the colours in drawing order.
std::vector<int32_t> chooseColourOrder(const std::vector<std::vector<int32_t>>& pixelsOf,
                                       const std::vector<uint32_t>& pens, const std::vector<int32_t>& colourAt,
                                       int32_t side);

// Slider clicks between two pens: the channels in which they differ.
int32_t sliderChanges(uint32_t pen, uint32_t other);
