#pragma once
// The shared table of the page's lines (tests/data/line-pixels.txt), read into
// lines: each a press, a release and the pixels the page paints between them.

#include "line_pixels_table.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

struct TableLine {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::vector<std::pair<int64_t, int64_t>> pixels;  // press to release, unclipped
    std::string text;                                 // the line as written, for messages
};

// The table's lines; a line that does not read as "x0 y0 x1 y1: x y ..." with
// whole pixel pairs comes back with no pixels, which no real line has.
inline std::vector<TableLine> lineTable()
{
    std::vector<TableLine> lines;
    std::istringstream text(linePixelsText);
    std::string row;
    while (std::getline(text, row)) {
        if (row.empty() || row[0] == '#')
            continue;
        TableLine line;
        line.text = row;
        const size_t colon = row.find(':');
        std::istringstream ends(row.substr(0, colon));
        std::istringstream pixels(colon == std::string::npos ? "" : row.substr(colon + 1));
        std::vector<int64_t> numbers;
        int64_t number = 0;
        while (pixels >> number)
            numbers.push_back(number);
        if ((ends >> line.x0 >> line.y0 >> line.x1 >> line.y1) && pixels.eof() && numbers.size() % 2 == 0)
            for (size_t i = 0; i < numbers.size(); i += 2)
                line.pixels.emplace_back(numbers[i], numbers[i + 1]);
        lines.push_back(line);
    }
    return lines;
}
