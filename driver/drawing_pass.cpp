#include "driver/drawing_pass.h"

#include "common/numeric.h"
#include "driver/coarse_pass.h"
#include "driver/control_keys.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"
#include "desktop/sliders.h"
#include "driver/random_source.h"

namespace {

constexpr float unitScale = 1.0f / 300.0f;    // 0.0033333334
constexpr float centreScale = 2.0f / 300.0f;  // 0.006666667
constexpr int32_t whiteThreshold = 250;
constexpr int32_t blackThreshold = 5;

struct Channels {
    int32_t c[3];
};

// The pixel at the picture's matching relative position. u and v stay below 1, so
// the index stays inside the picture. The product is formed in double on purpose:
// rounding it to single would move the columns that x * unitScale puts just below
// x / 300.
Channels sample(const PassPixels& picture, float u, float v)
{
    const int32_t ix = truncateToInt(picture.width * static_cast<double>(u));
    const int32_t iy = truncateToInt(picture.height * static_cast<double>(v));
    const uint8_t* p = &picture.bytes[(size_t(iy) * size_t(picture.width) + size_t(ix)) * 4];
    return {{p[0], p[1], p[2]}};
}

int32_t sumSaturated(int64_t a, int64_t b, int64_t c = 0) { return saturateToInt32(a + b + c); }

}  // namespace

PointMark markOfPoint(const RunSettings& s, const PassPixels& first, const PassPixels* second, int32_t x, int32_t y)
{
    PointMark mark;
    const float u = roundToSingle(double(x) * double(unitScale));
    const float v = roundToSingle(double(y) * double(unitScale));
    const float cx = roundToSingle(double(x) * double(centreScale) - 1.0);
    const float cy = roundToSingle(double(y) * double(centreScale) - 1.0);

    Channels colour = sample(first, u, v);
    if (s.crossfade > 0.0f && second != nullptr) {
        const Channels other = sample(*second, u, v);
        const double f = s.crossfade;
        for (int i = 0; i < 3; ++i)
            colour.c[i] = truncateToInt(colour.c[i] * (1.0 - f) + other.c[i] * f);
    }
    int32_t* c = colour.c;

    if (s.ignorewhite && c[0] >= whiteThreshold && c[1] >= whiteThreshold && c[2] >= whiteThreshold)
        return mark;
    if (s.ignoreblack && c[0] < blackThreshold && c[1] < blackThreshold && c[2] < blackThreshold)
        return mark;
    if (s.compresscolor)
        for (int i = 0; i < 3; ++i)
            c[i] &= ~7;

    const int32_t factor = s.randomcolorfactor;
    if (factor > 1) {
        const int32_t ra = nextRandom();
        const int32_t rb = nextRandom();
        const int32_t rc = nextRandom();
        mark.pen[0] = sumSaturated(c[0], 2 * int64_t{rc % factor}, -int64_t{factor});
        mark.pen[1] = sumSaturated(c[1], 2 * int64_t{rb % factor}, -int64_t{factor});
        mark.pen[2] = sumSaturated(c[2], 2 * int64_t{ra % factor}, -int64_t{factor});
    } else {
        for (int i = 0; i < 3; ++i)
            mark.pen[i] = c[i];
    }

    // 2 x jigfactor fits in 32 bits and is not 0: the settings check saw to it.
    const int32_t jig = s.jigfactor;
    const int32_t span = 2 * jig;
    int32_t dx = jig - nextRandom() % span;
    int32_t dy = jig - nextRandom() % span;
    if (s.jigfromcenter) {
        dx = truncateToInt(dx * double(cx));
        dy = truncateToInt(dy * double(cy));
    }
    if (jig == 1)
        dx = dy = 0;

    mark.drawn = true;
    mark.x = x;
    mark.y = y;
    mark.dx = dx;
    mark.dy = dy;
    return mark;
}

void sendMark(const RunSettings& s, const PointMark& mark)
{
    if (!mark.drawn)
        return;
    setPenColour(mark.pen[0], mark.pen[1], mark.pen[2]);
    // The board's place is read after the pen is set: the page watchdog may have
    // followed it elsewhere meanwhile.
    const int32_t px = sumSaturated(BoardOrigin.x, mark.x);
    const int32_t py = sumSaturated(BoardOrigin.y, mark.y);
    if (s.uselines)
        strokeBetween(px, py, sumSaturated(px, mark.dx), sumSaturated(py, mark.dy));
    else
        clickAt(sumSaturated(px, mark.dx), sumSaturated(py, mark.dy));
}


PassResult runDrawingPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second)
{
    if (settings.order == runOrderCoarse)
        return runCoarseDrawingPass(settings, first, second);
    bool paused = false;
    // Wide counters: a step of up to 2^31 - 1 must not overflow on its way past 300.
    for (int64_t y = 0; y < boardSide; y += settings.stepy) {
        for (int64_t x = 0; x < boardSide;) {
            const KeyVerdict keys = pollControlKeys(paused);
            if (keys == KeyVerdict::Abort)
                return PassResult::Aborted;
            if (keys == KeyVerdict::Wait)
                continue;  // the same point, polled again at once
            sendMark(settings, markOfPoint(settings, first, second, static_cast<int32_t>(x), static_cast<int32_t>(y)));
            x += settings.stepx;
        }
    }
    return PassResult::Finished;
}
