// The clipboard of a wlroots compositor (sway and its kin) through data-control:
// the one way Wayland lets a program with no window and no focus, as a console
// program is, read the selection. The owner writes the picture into a pipe.

#include "source/clipboard_linux.h"

#include "source/clipboard_types.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// What one offer of the compositor's can give.
struct Offer {
    zwlr_data_control_offer_v1* offer = nullptr;
    std::string pictureType;  // the best picture type offered, or empty
    int32_t pictureRank = 0;
};

struct Session {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
    zwlr_data_control_device_v1* device = nullptr;
    // Every offer introduced, each destroyed at the end; the selection is one of them.
    std::vector<std::unique_ptr<Offer>> offers;
    Offer* selection = nullptr;
    bool selectionKnown = false;
    bool finished = false;
    Clock::time_point deadline;
};

int32_t millisecondsLeft(const Session& s)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(s.deadline - Clock::now()).count();
    return left <= 0 ? 0 : left > 60000 ? 60000 : static_cast<int32_t>(left);
}

void onOfferType(void* data, zwlr_data_control_offer_v1*, const char* type)
{
    Offer* offer = static_cast<Offer*>(data);
    const int32_t rank = clipboardPictureRank(type);
    if (rank > offer->pictureRank) {
        offer->pictureRank = rank;
        offer->pictureType = type;
    }
}

const zwlr_data_control_offer_v1_listener offerListener = {onOfferType};

void onDataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* introduced)
{
    Session& s = *static_cast<Session*>(data);
    std::unique_ptr<Offer> offer(new (std::nothrow) Offer);
    if (!offer) {
        zwlr_data_control_offer_v1_destroy(introduced);
        return;
    }
    offer->offer = introduced;
    zwlr_data_control_offer_v1_add_listener(introduced, &offerListener, offer.get());
    s.offers.push_back(std::move(offer));
}

void onSelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* chosen)
{
    Session& s = *static_cast<Session*>(data);
    s.selectionKnown = true;
    s.selection = nullptr;
    for (const std::unique_ptr<Offer>& offer : s.offers)
        if (chosen != nullptr && offer->offer == chosen)
            s.selection = offer.get();
}

void onFinished(void* data, zwlr_data_control_device_v1*) { static_cast<Session*>(data)->finished = true; }

// Bound at version 1, so never sent; the listener has its place all the same.
void onPrimarySelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}

const zwlr_data_control_device_v1_listener deviceListener = {onDataOffer, onSelection, onFinished,
                                                             onPrimarySelection};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    Session& s = *static_cast<Session*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && s.seat == nullptr)
        s.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0 && s.manager == nullptr)
        s.manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onSynced(void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }

const wl_callback_listener syncListener = {onSynced};

// One wait for the compositor, and what it sent handled. False when the deadline
// passed or the connection broke.
bool pumpOnce(Session& s)
{
    if (wl_display_dispatch_pending(s.display) < 0)
        return false;
    if (wl_display_prepare_read(s.display) != 0)
        return true;  // more came meanwhile: handled next time round
    wl_display_flush(s.display);
    pollfd connection{wl_display_get_fd(s.display), POLLIN, 0};
    const int32_t left = millisecondsLeft(s);
    const int ready = left > 0 ? poll(&connection, 1, left) : 0;
    if (ready <= 0) {
        wl_display_cancel_read(s.display);
        return ready < 0 && errno == EINTR;
    }
    return wl_display_read_events(s.display) == 0 && wl_display_dispatch_pending(s.display) >= 0;
}

// Everything asked so far answered and handled, by the deadline
// (wl_display_roundtrip would wait for ever).
bool settle(Session& s)
{
    bool synced = false;
    wl_callback* callback = wl_display_sync(s.display);
    wl_callback_add_listener(callback, &syncListener, &synced);
    while (!synced && pumpOnce(s)) {
    }
    wl_callback_destroy(callback);
    return synced;
}

std::string tooLargeOrMemory(const PictureBytes& bytes)
{
    return bytes.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "There is not enough memory for it.";
}

// The owner's bytes through a pipe, until it closes its end or the deadline.
std::string receive(Session& s, const Offer& offer, PictureBytes& bytes)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return "The clipboard could not be read (no pipe could be made).";
    // The request carries a copy of the write end: ours is closed at once, so the
    // end of the owner's writing is the end of the pipe.
    zwlr_data_control_offer_v1_receive(offer.offer, offer.pictureType.c_str(), ends[1]);
    const bool sent = wl_display_flush(s.display) >= 0;
    close(ends[1]);
    std::string reason = sent ? "" : "The connection to the compositor broke.";
    uint8_t chunk[65536];
    while (reason.empty()) {
        pollfd pipe{ends[0], POLLIN, 0};
        const int32_t left = millisecondsLeft(s);
        const int ready = left > 0 ? poll(&pipe, 1, left) : 0;
        if (ready == 0) {
            reason = "The clipboard's owner did not send the whole picture in time.";
            break;
        }
        const ssize_t got = ready > 0 ? read(ends[0], chunk, sizeof chunk) : -1;
        if (got == 0)
            break;
        if (got < 0 && errno != EINTR && errno != EAGAIN)
            reason = "It could not be read.";
        else if (got > 0 && !appendPictureBytes(bytes, chunk, static_cast<size_t>(got)))
            reason = tooLargeOrMemory(bytes);
    }
    close(ends[0]);
    return reason;
}

std::string readSelection(Session& s, PictureBytes& bytes)
{
    s.device = zwlr_data_control_manager_v1_get_data_device(s.manager, s.seat);
    zwlr_data_control_device_v1_add_listener(s.device, &deviceListener, &s);
    // The selection as it is now is sent at once, with its offer and types before it.
    if (!settle(s) || !s.selectionKnown)
        return "The compositor did not say what is on the clipboard in time.";
    if (s.finished)
        return "The compositor took the clipboard away.";
    if (s.selection == nullptr)
        return "There is nothing on the clipboard.";
    if (s.selection->pictureRank == 0)
        return "There is no picture on the clipboard.";
    std::string reason = receive(s, *s.selection, bytes);
    if (reason.empty() && bytes.size == 0)
        reason = "The picture on the clipboard is empty.";
    return reason;
}

void disconnect(Session& s)
{
    for (const std::unique_ptr<Offer>& offer : s.offers)
        zwlr_data_control_offer_v1_destroy(offer->offer);
    if (s.device != nullptr)
        zwlr_data_control_device_v1_destroy(s.device);
    if (s.manager != nullptr)
        zwlr_data_control_manager_v1_destroy(s.manager);
    if (s.seat != nullptr)
        wl_seat_destroy(s.seat);
    if (s.registry != nullptr)
        wl_registry_destroy(s.registry);
    wl_display_flush(s.display);
    wl_display_disconnect(s.display);
}

}  // namespace

WaylandClipboard readWaylandClipboard(PictureBytes& bytes, int32_t waitMs, std::string& reason)
{
    Session s;
    s.display = wl_display_connect(nullptr);
    if (s.display == nullptr)
        return WaylandClipboard::NoCompositor;
    s.deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    s.registry = wl_display_get_registry(s.display);
    wl_registry_add_listener(s.registry, &registryListener, &s);
    WaylandClipboard access = WaylandClipboard::Read;
    if (!settle(s))
        access = WaylandClipboard::NoCompositor;
    else if (s.manager == nullptr || s.seat == nullptr)
        access = WaylandClipboard::NoDataControl;
    else
        reason = readSelection(s, bytes);
    disconnect(s);
    return access;
}
