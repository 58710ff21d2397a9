#include "planner/colour_order.h"

#include "planner/stroke_cover.h"

#include <cstddef>
#include <set>
#include <utility>

namespace {

// How far the choice of each next colour looks past the cheapest: enough to find a
// pen one slider click away among equally cheap colours, bounded so that the
// choice stays quick with thousands of colours.
constexpr int32_t lossSlack = 1;
constexpr int32_t choicesLooked = 256;
// Colours up to this size are recounted as soon as their room grows.
constexpr size_t eagerPixels = 64;

// For each of the four directions, the next pixel along a row or column that is not
// yet placed: placed pixels are skipped with path halving, so walks across the open
// part of the board stay short however much of it is open.
struct Skips {
    int32_t side = 0;
    std::vector<int32_t> next[4];  // per direction (right, left, down, up): line * (side + 1) + position
};

Skips noneSkipped(int32_t side)
{
    Skips skips;
    skips.side = side;
    for (auto& n : skips.next) {
        n.resize(size_t(side) * size_t(side + 1));
        for (size_t i = 0; i < n.size(); ++i)
            n[i] = int32_t(i % size_t(side + 1));
    }
    return skips;
}

// Direction d's line and position of a pixel: the position runs the way d goes.
void lineAndPosition(const Skips& skips, int d, int32_t pixel, int32_t& line, int32_t& position)
{
    const int32_t x = pixel % skips.side;
    const int32_t y = pixel / skips.side;
    line = d < 2 ? y : x;
    const int32_t p = d < 2 ? x : y;
    position = (d % 2 == 0) ? p : skips.side - 1 - p;
}

void skipPixel(Skips& skips, int32_t pixel)
{
    for (int d = 0; d < 4; ++d) {
        int32_t line = 0;
        int32_t position = 0;
        lineAndPosition(skips, d, pixel, line, position);
        skips.next[d][size_t(line) * size_t(skips.side + 1) + size_t(position)] = position + 1;
    }
}

// The pixel after `pixel` in direction d that is not placed, or -1 off the board.
int32_t nextUnplaced(Skips& skips, int d, int32_t pixel)
{
    int32_t line = 0;
    int32_t position = 0;
    lineAndPosition(skips, d, pixel, line, position);
    int32_t* n = &skips.next[d][size_t(line) * size_t(skips.side + 1)];
    int32_t found = position + 1;  // at most side, whose entry stays side
    while (n[found] != found) {
        n[found] = n[n[found]];
        found = n[found];
    }
    if (found >= skips.side)
        return -1;
    const int32_t p = (d % 2 == 0) ? found : skips.side - 1 - found;
    return d < 2 ? line * skips.side + p : p * skips.side + line;
}

// Strokes for a colour with its own pixels open as well as `closed` allows.
int32_t strokesWithOwnOpen(const std::vector<int32_t>& pixels, std::vector<uint8_t>& closed, int32_t side)
{
    for (const int32_t i : pixels)
        closed[size_t(i)] = 0;
    const int32_t strokes = int32_t(coverWithStrokes(pixels, closed, side).size());
    for (const int32_t i : pixels)
        closed[size_t(i)] = 1;
    return strokes;
}

}  // namespace

int32_t sliderChanges(uint32_t pen, uint32_t other)
{
    int32_t changes = 0;
    for (int shift = 0; shift < 18; shift += 6)
        changes += ((pen ^ other) >> shift & 63u) != 0;
    return changes;
}

std::vector<int32_t> chooseColourOrder(const std::vector<std::vector<int32_t>>& pixelsOf,
                                       const std::vector<uint32_t>& pens, const std::vector<int32_t>& colourAt,
                                       int32_t side)
{
    const size_t colours = pixelsOf.size();
    // Drawn first, a colour may cross every painted pixel: its fewest strokes.
    std::vector<uint8_t> closed(colourAt.size(), 0);
    for (size_t i = 0; i < colourAt.size(); ++i)
        closed[i] = colourAt[i] < 0;
    std::vector<int32_t> fewest(colours);
    for (size_t c = 0; c < colours; ++c)
        fewest[c] = int32_t(coverWithStrokes(pixelsOf[c], closed, side).size());

    // Drawn at the latest free place, it may cross only colours placed after it.
    std::fill(closed.begin(), closed.end(), uint8_t{1});
    std::vector<int32_t> loss(colours);
    std::set<std::pair<int32_t, int32_t>> waiting;  // loss, colour
    for (size_t c = 0; c < colours; ++c) {
        loss[c] = strokesWithOwnOpen(pixelsOf[c], closed, side) - fewest[c];
        waiting.insert({loss[c], int32_t(c)});
    }

    Skips skips = noneSkipped(side);
    std::vector<int32_t> seen(colours, -1);
    std::vector<int32_t> backwards;
    backwards.reserve(colours);
    std::vector<uint8_t> stale(colours, 0);
    auto update = [&](int32_t c) {
        waiting.erase({loss[size_t(c)], c});
        loss[size_t(c)] = strokesWithOwnOpen(pixelsOf[size_t(c)], closed, side) - fewest[size_t(c)];
        waiting.insert({loss[size_t(c)], c});
        stale[size_t(c)] = 0;
    };
    while (!waiting.empty()) {
        // A large colour's loss is brought up to date only when it may be chosen:
        // its many neighbours would otherwise recount it again and again.
        while (stale[size_t(waiting.begin()->second)])
            update(waiting.begin()->second);
        // The cheapest colour, where a pen closer to the one placed after it is
        // worth a stroke or so more.
        auto chosen = waiting.begin();
        if (!backwards.empty()) {
            const uint32_t after = pens[size_t(backwards.back())];
            const int32_t cheapest = chosen->first;
            int32_t best = cheapest + sliderChanges(pens[size_t(chosen->second)], after);
            auto it = waiting.begin();
            for (int32_t looked = 0; it != waiting.end() && it->first <= cheapest + lossSlack && looked < choicesLooked;
                 ++it, ++looked) {
                const int32_t cost = it->first + sliderChanges(pens[size_t(it->second)], after);
                if (cost < best) {
                    best = cost;
                    chosen = it;
                }
            }
        }
        const int32_t c = chosen->second;
        waiting.erase(chosen);
        backwards.push_back(c);
        for (const int32_t i : pixelsOf[size_t(c)]) {
            closed[size_t(i)] = 0;
            skipPixel(skips, i);
        }
        // Colours whose lines now run on through c's pixels: the first pixel not
        // placed beyond each of them, in each direction.
        const int32_t stamp = int32_t(backwards.size());
        for (const int32_t i : pixelsOf[size_t(c)])
            for (int d = 0; d < 4; ++d) {
                const int32_t beyond = nextUnplaced(skips, d, i);
                if (beyond < 0 || colourAt[size_t(beyond)] < 0)
                    continue;
                const int32_t other = colourAt[size_t(beyond)];
                // A colour that loses nothing already cannot gain from more room.
                if (seen[size_t(other)] == stamp || loss[size_t(other)] == 0)
                    continue;
                seen[size_t(other)] = stamp;
                if (pixelsOf[size_t(other)].size() > eagerPixels)
                    stale[size_t(other)] = 1;
                else
                    update(other);
            }
    }
    return {backwards.rbegin(), backwards.rend()};
}
