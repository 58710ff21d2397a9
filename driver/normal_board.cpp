#include "driver/normal_board.h"

#include "desktop/platform.h"
#include "desktop/screen.h"
#include "driver/random_source.h"
#include "preview/pointer_landing.h"

#include <algorithm>

namespace {

// The model screen the pass is sent to: input lands on the page model as the real
// screen would map it, with the pointer held inside the screen.
struct ModelScreen {
    int32_t width = 0;
    int32_t height = 0;
    NormalBoard* board = nullptr;
};

ModelScreen model;

const char* openModel() { return ""; }
void closeModel() {}
void minimiseModel() {}
void sleepModel(int32_t) {}
void pauseModel(int32_t) {}

void screenSizeModel(int32_t* width, int32_t* height)
{
    *width = model.width;
    *height = model.height;
}

void captureModel(int32_t, int32_t, int32_t width, int32_t height, uint32_t* out)
{
    std::fill(out, out + int64_t{width} * height, invalidColour);
}

uint32_t readModel(int32_t, int32_t) { return invalidColour; }

void sendModel(const MouseInputRecord& record)
{
    ++model.board->records;
    if (model.width <= 0 || model.height <= 0)
        return;
    int32_t x = 0;
    int32_t y = 0;
    landingPixel(record, model.width, model.height, VirtualDesk, x, y);
    pageModelInput(model.board->page, x, y, record.flags);
}

// Keys are the real run's business: the model pass takes well under a second.
bool keyDownModel(ControlKey) { return false; }
int64_t clockModel() { return 0; }
void statusModel(const char*) {}

const DesktopBackend modelBackend = {
    openModel,    closeModel, minimiseModel, sleepModel, pauseModel, screenSizeModel,
    captureModel, readModel,  sendModel,     keyDownModel, clockModel, statusModel,
    nullptr,      nullptr,    nullptr,       nullptr,    nullptr,
};

}  // namespace

PassResult learnNormalBoard(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                            NormalBoard& out)
{
    RunSettings rows = settings;
    rows.order = runOrderRows;
    return learnBoardAsOrdered(rows, first, second, out);
}

PassResult learnBoardAsOrdered(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                               NormalBoard& out)
{
    const DesktopBackend& real = activeDesktop();
    int32_t width = 0;
    int32_t height = 0;
    real.primaryScreenSize(&width, &height);

    out.points = 0;
    out.records = 0;
    resetPageModel(out.page, BoardOrigin.x, BoardOrigin.y, 0xFFFFFFu);
    model = {width, height, &out};
    const uint32_t randomState = randomSourceState();
    useDesktop(modelBackend);
    const PassResult result = runDrawingPass(settings, first, second);
    useDesktop(real);
    setRandomSourceState(randomState);
    model = {};
    out.points = out.records / 8;  // a point is three slider clicks and a mark
    return result;
}
