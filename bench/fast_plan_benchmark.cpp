// What -fast saves and what its planning costs, for a picture and options given as
// scrivdraw takes them (default: the sample picture at full grid), and for a flat
// picture of four colours: records of the normal pass and of the fast drawing,
// their ratio, the pen colours and strokes, the planning time, and how close to the
// final board each order is a quarter of the way (mean difference per channel).
// Prints figures; asserts nothing.
//   fast_plan_benchmark [-image picture.tga] [options...]

#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "driver/fast_pass.h"
#include "driver/normal_board.h"
#include "driver/random_source.h"
#include "planner/fast_plan.h"
#include "preview/scrivlet_page.h"
#include "preview/virtual_desktop.h"

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Four flat quarters, the kind of picture a logo or a drawing is.
PassPixels quarters()
{
    PassPixels p;
    p.width = p.height = 64;
    p.bytes = std::make_unique<uint8_t[]>(64 * 64 * 4);
    const uint8_t colours[4][3] = {{255, 255, 255}, {200, 30, 30}, {20, 120, 220}, {250, 200, 0}};
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x)
            for (int c = 0; c < 3; ++c)
                p.bytes[size_t(y * 64 + x) * 4 + size_t(c)] = colours[(y / 32) * 2 + x / 32][c];
    return p;
}

void measure(const char* name, const RunSettings& settings, const PassPixels& first, const PassPixels* second)
{
    const Clock::time_point start = Clock::now();
    NormalBoard normal;
    learnNormalBoard(settings, first, second, normal);
    const Clock::time_point learned = Clock::now();
    const std::vector<PlannedGesture> plan = planFastDrawing(normal.page.board, normal.page.painted, boardSide);
    const Clock::time_point planned = Clock::now();

    int64_t sliders = 0;
    for (const PlannedGesture& g : plan)
        sliders += g.kind == GestureKind::Slider;
    const int64_t fast = plannedRecords(plan);
    std::printf("%s: normal pass %lld points, %lld records (%.0f s at 1 ms); -fast %lld records "
                "(%lld slider clicks, %lld strokes, %.0f s): 1/%.1f of the records\n",
                name, static_cast<long long>(normal.points), static_cast<long long>(normal.records),
                double(normal.records) / 1000, static_cast<long long>(fast), static_cast<long long>(sliders),
                static_cast<long long>(int64_t(plan.size()) - sliders), double(fast) / 1000,
                fast > 0 ? double(normal.records) / double(fast) : 0.0);
    const PlanBound bound = rowAndColumnBound(normal.page.board, normal.page.painted, boardSide);
    std::printf("%s: %lld pens; no colour order draws it along rows and columns in fewer than %lld records "
                "(%lld strokes, %lld slider clicks)\n",
                name, static_cast<long long>(bound.pens),
                static_cast<long long>(2 * (bound.strokes + bound.pens + (bound.pens > 0 ? 2 : 0))),
                static_cast<long long>(bound.strokes), static_cast<long long>(bound.pens + (bound.pens > 0 ? 2 : 0)));
    std::printf("%s: planning %.0f ms (model pass %.0f ms, plan %.0f ms)\n", name,
                std::chrono::duration<double, std::milli>(planned - start).count(),
                std::chrono::duration<double, std::milli>(learned - start).count(),
                std::chrono::duration<double, std::milli>(planned - learned).count());
}

// The board the run's drawing leaves on a fresh page when the page takes only the
// first `percent` of its records, and the records it sends.
std::vector<uint32_t> boardAfter(RunSettings settings, int32_t percent, const PassPixels& first,
                                 const PassPixels* second, int64_t& records)
{
    resetVirtualDesktop(previewScreenWidth, previewScreenHeight);
    showScrivletPage(defaultBoardX, defaultBoardY);
    resetRandomSource();
    settings.previewPercent = percent;
    DrawingTally tally;
    runDrawing(settings, first, second, tally);
    records = tally.records;
    return shownPageModel().board;
}

double meanDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    int64_t total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            total += std::abs(int32_t(a[i] >> shift & 0xFFu) - int32_t(b[i] >> shift & 0xFFu));
    return double(total) / double(3 * a.size());
}

void measureReveal(const char* name, RunSettings settings, const PassPixels& first, const PassPixels* second)
{
    for (const bool fast : {false, true})
        for (const int32_t order : {runOrderRows, runOrderCoarse}) {
            settings.fast = fast;
            settings.order = order;
            int64_t records = 0;
            int64_t quarterRecords = 0;
            const std::vector<uint32_t> final = boardAfter(settings, 100, first, second, records);
            const std::vector<uint32_t> quarter = boardAfter(settings, 25, first, second, quarterRecords);
            std::printf("%s: %s-order %s: %lld records; a quarter of the way the board differs from the final one "
                        "by %.1f per channel\n",
                        name, fast ? "-fast " : "", order == runOrderCoarse ? "coarse" : "rows",
                        static_cast<long long>(records), meanDifference(quarter, final));
        }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string defaults[] = {argv[0], "-image", SCRIVDRAW_SAMPLE_PICTURE};
    const char* fallback[] = {defaults[0].c_str(), defaults[1].c_str(), defaults[2].c_str()};
    const bool given = argc > 1;
    if (tokenizeCommandLine(given ? joinArguments(argc, argv) : joinArguments(3, fallback)) != TokenizeResult::Tokenized)
        return 1;
    resetVirtualDesktop(previewScreenWidth, previewScreenHeight);
    useDesktop(virtualDesktop());
    ScreenSize = {previewScreenWidth, previewScreenHeight};
    BoardOrigin = {defaultBoardX, defaultBoardY};

    const RunSettings settings = readRunSettings();
    TargaImage picture;
    TargaImage picture2;
    PassPixels first;
    PassPixels second;
    if (picture.load(argumentAt(findArgument("-image") + 1)) != LoadResult::Loaded ||
        picture.convertForPass(first) != LoadResult::Loaded ||
        (settings.image2 && (picture2.load(settings.image2->c_str()) != LoadResult::Loaded ||
                             picture2.convertForPass(second) != LoadResult::Loaded))) {
        std::printf("fast_plan_benchmark: the pictures don't load\n");
        return 1;
    }
    measure(argumentAt(findArgument("-image") + 1), settings, first, settings.image2 ? &second : nullptr);
    measure("four flat colours", RunSettings{}, quarters(), nullptr);
    measureReveal(argumentAt(findArgument("-image") + 1), settings, first, settings.image2 ? &second : nullptr);
    return 0;
}
