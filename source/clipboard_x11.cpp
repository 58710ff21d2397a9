#include "source/clipboard_linux.h"

#include "source/clipboard_types.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A clipboard owner that goes away mid-transfer makes the server report errors on
// our requests: they are answered by the waits running out, not by Xlib's default
// handler ending the process.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

struct Session {
    Display* display = nullptr;
    Window window = 0;
    Atom property = 0;
    Clock::time_point deadline;
};

// The next event of the given type for our window, or false once the deadline passes.
bool waitForEvent(Session& s, int type, XEvent& event)
{
    for (;;) {
        while (XPending(s.display) > 0) {
            XNextEvent(s.display, &event);
            if (event.type == type && event.xany.window == s.window)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(s.deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd connection{ConnectionNumber(s.display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left));
    }
}

// Asks the owner for the selection in the given type; false when no answer comes
// in time or the owner cannot give that type.
bool convert(Session& s, Atom selection, Atom type)
{
    XConvertSelection(s.display, selection, type, s.property, s.window, CurrentTime);
    XFlush(s.display);
    XEvent event;
    while (waitForEvent(s, SelectionNotify, event)) {
        if (event.xselection.selection == selection && event.xselection.target == type)
            return event.xselection.property != None;
    }
    return false;
}

// Appends the property's value (8-bit items) to bytes and deletes it. False when
// it would go past the limit, checked before it is fetched.
bool takeProperty(Session& s, PictureBytes& bytes, Atom& type, size_t& taken)
{
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    taken = 0;
    if (XGetWindowProperty(s.display, s.window, s.property, 0, 0, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) != Success)
        return false;
    if (data != nullptr)
        XFree(data);
    if (after > bytes.limit - bytes.size) {
        bytes.tooLarge = true;
        return false;
    }
    data = nullptr;
    if (XGetWindowProperty(s.display, s.window, s.property, 0, static_cast<long>((after + 3) / 4), True,
                           AnyPropertyType, &type, &format, &items, &after, &data) != Success)
        return false;
    bool fits = true;
    if (format == 8 && data != nullptr) {
        fits = appendPictureBytes(bytes, data, items);
        taken = items;
    }
    if (data != nullptr)
        XFree(data);
    return fits;
}

// The type to ask for: PNG first, as browsers and viewers offer it, then any
// other image type.
Atom pictureTarget(Session& s, Atom clipboard)
{
    const Atom targets = XInternAtom(s.display, "TARGETS", False);
    if (!convert(s, clipboard, targets))
        return None;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(s.display, s.window, s.property, 0, 1024, True, XA_ATOM, &type, &format, &items, &after,
                           &data) != Success ||
        data == nullptr)
        return None;
    Atom chosen = None;
    int32_t best = 0;
    if (format == 32) {
        const Atom* offered = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < items && best < 2; ++i) {
            char* name = XGetAtomName(s.display, offered[i]);
            const int32_t rank = clipboardPictureRank(name);
            if (rank > best) {
                best = rank;
                chosen = offered[i];
            }
            if (name != nullptr)
                XFree(name);
        }
    }
    XFree(data);
    return chosen;
}

std::string readSelection(Session& s, PictureBytes& bytes)
{
    const Atom clipboard = XInternAtom(s.display, "CLIPBOARD", False);
    if (XGetSelectionOwner(s.display, clipboard) == None)
        return "There is nothing on the clipboard.";
    const Atom target = pictureTarget(s, clipboard);
    if (target == None)
        return "There is no picture on the clipboard.";
    // Property changes are watched before the first value is taken, so that the
    // pieces of a large picture (sent incrementally) are not missed.
    XSelectInput(s.display, s.window, PropertyChangeMask);
    if (!convert(s, clipboard, target))
        return "The clipboard's owner did not give the picture.";
    Atom type = None;
    size_t taken = 0;
    if (!takeProperty(s, bytes, type, taken))
        return bytes.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "It could not be read.";
    if (type != XInternAtom(s.display, "INCR", False))
        return {};
    // Piece by piece: each new value is the next piece, an empty one the end.
    bytes.size = 0;
    XEvent event;
    while (waitForEvent(s, PropertyNotify, event)) {
        if (event.xproperty.atom != s.property || event.xproperty.state != PropertyNewValue)
            continue;
        if (!takeProperty(s, bytes, type, taken))
            return bytes.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "It could not be read.";
        if (taken == 0)
            return {};
    }
    return "The clipboard's owner did not send the whole picture in time.";
}

}  // namespace

std::string readX11Clipboard(PictureBytes& bytes, int32_t waitMs)
{
    Session s;
    s.display = XOpenDisplay(nullptr);
    if (s.display == nullptr)
        return "The clipboard could not be reached (the X display did not open).";
    XErrorHandler previous = XSetErrorHandler(ignoreXError);
    s.window = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), 0, 0, 1, 1, 0, 0, 0);
    s.property = XInternAtom(s.display, "SCRIVDRAW_CLIPBOARD", False);
    s.deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    std::string reason = readSelection(s, bytes);
    if (reason.empty() && bytes.size == 0)
        reason = "The picture on the clipboard is empty.";
    XDestroyWindow(s.display, s.window);
    XCloseDisplay(s.display);
    XSetErrorHandler(previous);
    return reason;
}
