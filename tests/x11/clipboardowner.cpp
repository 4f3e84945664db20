// SPDX-License-Identifier: GPL-3.0-or-later
// A clipboard owner that behaves as told, for the capture tests. It takes the
// CLIPBOARD selection, prints "ready", then serves requests until another
// program takes the selection. Every request is printed as "request <target>".
//   clipboardowner TEXT                 serves TEXT as UTF8_STRING
//   --secret                            also offers the password-manager hint
//   --silent                            never answers (but prints the requests)
//   --delay-ms N                        answers each request N ms late
//   --incr-bytes N                      serves N bytes of "x" incrementally
//   --die-after-chunks K                ... and exits after K chunks
//   --drip-ms N                         sends TEXT incrementally, one byte every N ms,
//                                       to its end even after losing the clipboard
//   --flood-ms N                        two windows take the clipboard from each other
//                                       as fast as the server lets them for N ms, then exit
//   --image-bytes N                     also offers image/png: N bytes, incrementally
//   --hand-over                         once the text (or the hint) was read, quits as toolkits do:
//                                       asks the clipboard manager to keep the clipboard,
//                                       prints "handed over" or "hand-over refused", exits
//   --hand-over-silent                  ... and answers nothing after asking
//   --hand-over-only                    asks for the hand-over of a clipboard it does not
//                                       own, prints the answer as --hand-over does, exits
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options
{
    std::string text;
    bool secret = false;
    bool silent = false;
    int delayMs = 0;
    long long incrBytes = -1;
    int dieAfterChunks = -1;
    int dripMs = 0;
    int floodMs = 0;
    long long imageBytes = -1;
    bool handOver = false;
    bool silentAfterHandOver = false;
    bool handOverOnly = false;
};

xcb_connection_t *connection;
xcb_window_t window;

xcb_atom_t atom(const char *name)
{
    auto *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return result;
}

std::string atomName(xcb_atom_t a)
{
    auto *reply = xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, a), nullptr);
    std::string name =
        reply ? std::string(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply))
              : std::string();
    std::free(reply);
    return name;
}

void notify(const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(connection, 0, request.requestor, 0, reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

// One incremental transfer in progress.
struct Incremental
{
    xcb_window_t requestor = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_atom_t type = XCB_NONE;
    long long left = 0;
    int chunks = 0;
};

// Takes the clipboard back and forth between two windows of ours, with a
// round trip now and then so that the flood goes at the server's pace.
void flood(xcb_window_t root, xcb_atom_t clipboard, std::chrono::milliseconds length)
{
    const xcb_window_t other = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, other, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const auto end = std::chrono::steady_clock::now() + length;
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 500; ++i) {
            xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
            xcb_set_selection_owner(connection, other, clipboard, XCB_CURRENT_TIME);
        }
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    // Every request handled before this process ends: the server would
    // otherwise still be working through them when the test copies next.
    xcb_destroy_window(connection, other);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--secret")
            options.secret = true;
        else if (arg == "--silent")
            options.silent = true;
        else if (arg == "--delay-ms" && i + 1 < argc)
            options.delayMs = std::atoi(argv[++i]);
        else if (arg == "--incr-bytes" && i + 1 < argc)
            options.incrBytes = std::atoll(argv[++i]);
        else if (arg == "--die-after-chunks" && i + 1 < argc)
            options.dieAfterChunks = std::atoi(argv[++i]);
        else if (arg == "--drip-ms" && i + 1 < argc)
            options.dripMs = std::atoi(argv[++i]);
        else if (arg == "--flood-ms" && i + 1 < argc)
            options.floodMs = std::atoi(argv[++i]);
        else if (arg == "--image-bytes" && i + 1 < argc)
            options.imageBytes = std::atoll(argv[++i]);
        else if (arg == "--hand-over")
            options.handOver = true;
        else if (arg == "--hand-over-only")
            options.handOverOnly = true;
        else if (arg == "--hand-over-silent")
            options.handOver = options.silentAfterHandOver = true;
        else
            options.text = arg;
    }
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"),
                     utf8 = atom("UTF8_STRING"), incr = atom("INCR"),
                     hint = atom("x-kde-passwordManagerHint"), image = atom("image/png"),
                     manager = atom("CLIPBOARD_MANAGER"), saveTargets = atom("SAVE_TARGETS");
    if (options.handOverOnly)
        xcb_convert_selection(connection, window, manager, saveTargets, atom("QUILLET_SAVED"),
                              XCB_CURRENT_TIME);
    else
        xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    xcb_flush(connection);
    std::printf("ready\n");
    std::fflush(stdout);
    if (options.floodMs > 0) {
        flood(screen->root, clipboard, std::chrono::milliseconds(options.floodMs));
        return 0;
    }

    constexpr long long chunkBytes = 64 * 1024;
    const std::string chunk(chunkBytes, 'x');
    Incremental transfer;
    bool lostClipboard = false;
    bool handingOver = options.handOverOnly;
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            lostClipboard = true;
            std::free(event);
            if (transfer.requestor == XCB_NONE && !handingOver)
                break;
            continue;
        }
        if (type == XCB_SELECTION_REQUEST) {
            const auto request = *reinterpret_cast<xcb_selection_request_event_t *>(event);
            std::printf("request %s\n", atomName(request.target).c_str());
            std::fflush(stdout);
            if (options.silent || (handingOver && options.silentAfterHandOver)) {
                std::free(event);
                continue;
            }
            if (options.delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
            xcb_atom_t property = request.property;
            if (request.target == targets) {
                std::vector<xcb_atom_t> offered{targets, utf8};
                if (options.secret)
                    offered.push_back(hint);
                if (options.imageBytes >= 0)
                    offered.push_back(image);
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    XCB_ATOM_ATOM, 32, offered.size(), offered.data());
            } else if (request.target == hint && options.secret) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    XCB_ATOM_STRING, 8, 6, "secret");
            } else if ((request.target == utf8 && (options.incrBytes >= 0 || options.dripMs > 0)) ||
                       (request.target == image && options.imageBytes >= 0)) {
                const std::uint32_t size =
                    std::uint32_t(request.target == image ? options.imageBytes
                                  : options.dripMs > 0    ? options.text.size()
                                                          : options.incrBytes);
                const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK,
                                             &mask);
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    incr, 32, 1, &size);
                transfer = {request.requestor, property, request.target, size, 0};
            } else if (request.target == utf8) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    utf8, 8, options.text.size(), options.text.data());
            } else {
                property = XCB_NONE;
            }
            notify(request, property);
            if ((request.target == utf8 || request.target == hint) && options.handOver &&
                !handingOver) {
                handingOver = true;
                xcb_convert_selection(connection, window, manager, saveTargets,
                                      atom("QUILLET_SAVED"), XCB_CURRENT_TIME);
                xcb_flush(connection);
            }
        } else if (type == XCB_SELECTION_NOTIFY) {
            const auto *answer = reinterpret_cast<xcb_selection_notify_event_t *>(event);
            if (answer->selection == manager) {
                std::printf(answer->property == XCB_NONE ? "hand-over refused\n" : "handed over\n");
                std::free(event);
                break;
            }
        } else if (type == XCB_PROPERTY_NOTIFY && transfer.requestor != XCB_NONE) {
            const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(event);
            if (change->window == transfer.requestor && change->atom == transfer.property &&
                change->state == XCB_PROPERTY_DELETE) {
                if (transfer.chunks == options.dieAfterChunks)
                    std::_Exit(0);
                const long long step = options.dripMs > 0 ? 1 : chunkBytes;
                const long long size = std::min(transfer.left, step);
                const char *data = chunk.data();
                if (options.dripMs > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(options.dripMs));
                    data = options.text.data() + (options.text.size() - transfer.left);
                }
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer.requestor,
                                    transfer.property, transfer.type, 8, std::uint32_t(size), data);
                xcb_flush(connection);
                transfer.left -= size;
                ++transfer.chunks;
                if (size == 0) {
                    transfer = {};
                    if (lostClipboard)
                        break;
                }
            }
        }
        std::free(event);
    }
    xcb_disconnect(connection);
    return 0;
}
