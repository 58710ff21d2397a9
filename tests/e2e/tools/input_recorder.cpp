// input_recorder: writes down, in the order the X server handles them, the pointer
// and key events of the display that DISPLAY names, from every client, until it is
// sent SIGTERM or SIGINT. One line per event, written out every few milliseconds:
//
//   recording                      the server is recording from here on
//   motion X Y TIME                pointer moved to root position (X, Y)
//   press BUTTON X Y TIME          pointer button pressed at (X, Y)
//   release BUTTON X Y TIME
//   key-down KEYSYM TIME           e.g. key-down KP_Subtract 81234
//   key-up KEYSYM TIME
//   stopped
//
// TIME is the server's timestamp in milliseconds. Tests read the log to tell which
// input reached the screen before and after a key was pressed.
//
//   input_recorder LOG

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <poll.h>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

struct RecorderState {
    Display* control = nullptr;
    std::FILE* log = nullptr;
    bool ended = false;  // the server has sent all it recorded
};

const char* keyName(Display* display, unsigned int code)
{
    const KeySym symbol = XkbKeycodeToKeysym(display, static_cast<KeyCode>(code), 0, 0);
    const char* name = symbol == NoSymbol ? nullptr : XKeysymToString(symbol);
    return name == nullptr ? "unknown" : name;
}

void takeEvent(XPointer closure, XRecordInterceptData* data)
{
    RecorderState& state = *reinterpret_cast<RecorderState*>(closure);
    if (data->category == XRecordStartOfData) {
        std::fputs("recording\n", state.log);
    } else if (data->category == XRecordEndOfData) {
        state.ended = true;
    } else if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
        const xEvent* event = reinterpret_cast<const xEvent*>(data->data);
        const int type = event->u.u.type & 0x7F;
        const unsigned int detail = event->u.u.detail;
        const int x = event->u.keyButtonPointer.rootX;
        const int y = event->u.keyButtonPointer.rootY;
        const unsigned long time = event->u.keyButtonPointer.time;
        switch (type) {
        case MotionNotify:
            std::fprintf(state.log, "motion %d %d %lu\n", x, y, time);
            break;
        case ButtonPress:
            std::fprintf(state.log, "press %u %d %d %lu\n", detail, x, y, time);
            break;
        case ButtonRelease:
            std::fprintf(state.log, "release %u %d %d %lu\n", detail, x, y, time);
            break;
        case KeyPress:
            std::fprintf(state.log, "key-down %s %lu\n", keyName(state.control, detail), time);
            break;
        case KeyRelease:
            std::fprintf(state.log, "key-up %s %lu\n", keyName(state.control, detail), time);
            break;
        default:
            break;
        }
    }
    XRecordFreeData(data);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: input_recorder LOG\n", stderr);
        return 2;
    }
    RecorderState state;
    state.log = std::fopen(argv[1], "w");
    if (state.log == nullptr) {
        std::fprintf(stderr, "input_recorder: cannot write %s\n", argv[1]);
        return 2;
    }
    // Recording needs two connections: one carries the recorded data, the other
    // the requests that start and stop it.
    state.control = XOpenDisplay(nullptr);
    Display* data = XOpenDisplay(nullptr);
    int major = 0;
    int minor = 0;
    if (state.control == nullptr || data == nullptr || !XRecordQueryVersion(state.control, &major, &minor)) {
        std::fputs("input_recorder: cannot open the X display, or it cannot record\n", stderr);
        return 2;
    }

    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    XRecordRange* range = XRecordAllocRange();
    if (range == nullptr) {
        std::fputs("input_recorder: out of memory\n", stderr);
        return 2;
    }
    range->device_events.first = KeyPress;
    range->device_events.last = MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    const XRecordContext context = XRecordCreateContext(state.control, 0, &clients, 1, &range, 1);
    XFree(range);
    XSync(state.control, False);
    if (context == 0 ||
        !XRecordEnableContextAsync(data, context, takeEvent, reinterpret_cast<XPointer>(&state))) {
        std::fputs("input_recorder: the X server refused to record\n", stderr);
        return 2;
    }

    pollfd connection = {ConnectionNumber(data), POLLIN, 0};
    // Written out a batch at a time: a flush per event would take time from the
    // programs under test.
    while (stopRequested == 0) {
        XRecordProcessReplies(data);
        std::fflush(state.log);
        poll(&connection, 1, 20);
    }
    // Events handled before the stop may still be on their way: take everything
    // up to the server's end-of-data mark (for a second at most).
    XRecordDisableContext(state.control, context);
    XSync(state.control, False);
    for (int wait = 0; wait < 50 && !state.ended; ++wait) {
        XRecordProcessReplies(data);
        if (!state.ended)
            poll(&connection, 1, 20);
    }
    XRecordFreeContext(state.control, context);
    XSync(state.control, False);
    std::fputs("stopped\n", state.log);
    std::fclose(state.log);
    XCloseDisplay(data);
    XCloseDisplay(state.control);
    return 0;
}
