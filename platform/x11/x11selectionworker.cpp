// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11selectionworker.h"

#include "log.h"
#include "textaccumulator.h"
#include "xcbreply.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillet::platform {

namespace {

// A list of formats a quitting program names is small; anything larger is
// hostile.
constexpr qsizetype maxFormatListBytes = 64 * 1024;
// What a quitting program may hand over, in all its formats together.
constexpr qsizetype maxTakeOverBytes = 64 * 1024 * 1024;
constexpr qsizetype maxTakeOverFormats = 64;

std::uint8_t eventType(const xcb_generic_event_t &event)
{
    return event.response_type & 0x7f;
}

} // namespace

X11SelectionWorker::X11SelectionWorker(ClipboardDelivery delivery) : m_delivery(std::move(delivery))
{}

X11SelectionWorker::~X11SelectionWorker()
{
    if (m_thread.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_stopRequested = true;
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_connection)
        xcb_disconnect(m_connection);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

xcb_atom_t X11SelectionWorker::internAtom(const char *name)
{
    const auto cookie =
        xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(m_connection, cookie, nullptr));
    return reply ? reply->atom : XCB_NONE;
}

bool X11SelectionWorker::start(const QByteArray &displayName, QString *reason)
{
    m_connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), nullptr);
    if (xcb_connection_has_error(m_connection)) {
        *reason = QStringLiteral("cannot connect to the X display");
        return false;
    }
    const xcb_query_extension_reply_t *xfixes =
        xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) {
        *reason = QStringLiteral("the X server has no XFixes extension");
        return false;
    }
    m_xfixesEvent = xfixes->first_event;
    free(xcb_xfixes_query_version_reply(m_connection, xcb_xfixes_query_version(m_connection, 5, 0),
                                        nullptr));

    m_atoms = {internAtom("CLIPBOARD"),
               internAtom("TARGETS"),
               internAtom("UTF8_STRING"),
               internAtom("text/plain;charset=utf-8"),
               internAtom("TEXT"),
               internAtom("INCR"),
               internAtom("QUILLET_SELECTION"),
               internAtom(Clipboard::passwordManagerHint),
               internAtom("CLIPBOARD_MANAGER"),
               internAtom("SAVE_TARGETS"),
               internAtom("MANAGER"),
               internAtom("MULTIPLE"),
               internAtom("TIMESTAMP")};
    m_owned[int(Selection::Clipboard)].selection = m_atoms.clipboard;
    m_owned[int(Selection::Primary)].selection = XCB_ATOM_PRIMARY;

    m_writer.emplace(m_connection, m_atoms.incr);
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_reader.emplace(m_connection, m_root,
                     X11SelectionReader::Atoms{m_atoms.clipboard, m_atoms.property, m_atoms.incr},
                     X11SelectionReader::Loop{
                         [this](Clock::time_point deadline) { return dispatchUntil(deadline); },
                         [this]() -> std::optional<Outcome> {
                             if (m_stopping)
                                 return Outcome::TimedOut;
                             // A newer copy must not wait behind a slow owner, whose text
                             // is no longer on the clipboard anyway.
                             if (m_next)
                                 return Outcome::Superseded;
                             return std::nullopt;
                         }});
    m_window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_xfixes_select_selection_input(m_connection, m_window, m_atoms.clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    becomeClipboardManager();
    xcb_flush(m_connection);

    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        *reason = QStringLiteral("cannot create an event descriptor");
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void X11SelectionWorker::setWatching(bool watching, std::function<bool(QStringView)> enough)
{
    const std::lock_guard lock(m_mutex);
    m_watching = watching;
    m_enough = std::move(enough);
}

void X11SelectionWorker::setText(TextToSet text, Selection selection)
{
    {
        const std::lock_guard lock(m_mutex);
        m_textToSet[int(selection)] = std::move(text);
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void X11SelectionWorker::setKeepable(std::uint64_t serial, bool keepable)
{
    {
        const std::lock_guard lock(m_mutex);
        m_judgedSerial = serial;
        m_judgedKeepable = keepable;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

// Owns CLIPBOARD_MANAGER unless another program (GNOME's settings daemon,
// xfce's) does: the hand-over of quitting programs is theirs then.
void X11SelectionWorker::becomeClipboardManager()
{
    const auto ownerOf = [this](xcb_atom_t selection) {
        const XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, selection), nullptr));
        return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE - 1);
    };
    if (ownerOf(m_atoms.clipboardManager) != XCB_NONE)
        return;
    xcb_set_selection_owner(m_connection, m_window, m_atoms.clipboardManager, XCB_CURRENT_TIME);
    m_isManager = ownerOf(m_atoms.clipboardManager) == m_window;
    if (!m_isManager)
        return;
    // Announced as the ICCCM asks of a manager selection's new owner.
    xcb_client_message_event_t announcement{};
    announcement.response_type = XCB_CLIENT_MESSAGE;
    announcement.format = 32;
    announcement.window = m_root;
    announcement.type = m_atoms.manager;
    announcement.data.data32[0] = XCB_CURRENT_TIME;
    announcement.data.data32[1] = m_atoms.clipboardManager;
    announcement.data.data32[2] = m_window;
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&announcement));
}

void X11SelectionWorker::run()
{
    while (!m_stopping) {
        // Pick up what has arrived, so that a change whose owner was already
        // replaced is known to be one before it is read.
        while (dispatchUntil(Clock::now())) {
        }
        if (m_stopping)
            break;
        deliverNotice();
        if (!m_next && m_takeOverRequest) {
            takeOver(*std::exchange(m_takeOverRequest, std::nullopt));
            continue;
        }
        if (!m_next) {
            m_skipping = false;
            dispatchUntil(Clock::time_point::max());
            continue;
        }
        const PendingChange change = *m_next;
        m_next.reset();
        ClipboardChange result = readChange(change);
        if (m_delivery.read && !m_stopping)
            m_delivery.read(std::move(result));
    }
}

// Handles what arrives until `deadline`; false when nothing did.
bool X11SelectionWorker::dispatchUntil(Clock::time_point deadline)
{
    for (;;) {
        if (xcb_connection_has_error(m_connection)) {
            if (!m_stopping)
                logLine(QStringLiteral("the connection to the X display was lost; "
                                       "the clipboard is no longer watched"));
            m_stopping = true;
            return false;
        }
        if (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const XcbReply<xcb_generic_event_t> owned(event);
            handleEvent(*event);
            return true;
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        int timeoutMs = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR)
            return false;
        if (fds[1].revents & POLLIN) {
            handleCommands();
            return true;
        }
        if (ready == 0)
            return false;
    }
}

void X11SelectionWorker::handleCommands()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
    std::optional<TextToSet> texts[2];
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = m_stopping || m_stopRequested;
        texts[0].swap(m_textToSet[0]);
        texts[1].swap(m_textToSet[1]);
    }
    for (const Selection selection : {Selection::Clipboard, Selection::Primary}) {
        std::optional<TextToSet> &text = texts[int(selection)];
        if (!text || m_stopping)
            continue;
        if (text->unlessChangedAfter != 0) {
            // A copy the server already knows of counts, read or not.
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const XcbReply<xcb_generic_event_t> owned(event);
                handleEvent(*event);
            }
            if (text->unlessChangedAfter != m_serial)
                continue; // another program copied meanwhile
        }
        takeOwnership(selection, std::move(text->utf8));
    }
}

void X11SelectionWorker::handleEvent(const xcb_generic_event_t &event)
{
    const std::uint8_t type = eventType(event);
    if (type == m_xfixesEvent + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto &notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t &>(event);
        const bool ownerGone =
            notify.subtype == XCB_XFIXES_SELECTION_EVENT_SELECTION_WINDOW_DESTROY ||
            notify.subtype == XCB_XFIXES_SELECTION_EVENT_SELECTION_CLIENT_CLOSE;
        if (notify.selection == m_atoms.clipboard)
            noticeChange(notify.owner, notify.selection_timestamp, ownerGone);
        return;
    }
    switch (type) {
    case XCB_SELECTION_REQUEST:
        serve(reinterpret_cast<const xcb_selection_request_event_t &>(event));
        return;
    case XCB_SELECTION_CLEAR: {
        const auto &clear = reinterpret_cast<const xcb_selection_clear_event_t &>(event);
        if (clear.selection == m_atoms.clipboardManager && clear.owner == m_window)
            m_isManager = false; // another manager took over
        if (Owned *owned = ownedFor(clear.selection); owned && clear.owner == m_window) {
            owned->owned = false;
            owned->text.clear();
            owned->saved.clear();
        }
        return;
    }
    case XCB_PROPERTY_NOTIFY:
        if (m_writer->continueAfter(reinterpret_cast<const xcb_property_notify_event_t &>(event)))
            return;
        [[fallthrough]];
    case XCB_SELECTION_NOTIFY:
        m_reader->offer(event);
        return;
    default:
        return;
    }
}

void X11SelectionWorker::noticeChange(xcb_window_t owner, xcb_timestamp_t time, bool ownerGone)
{
    if (owner == m_window)
        return; // our own write
    {
        const std::lock_guard lock(m_mutex);
        if (!m_watching)
            return;
    }
    const std::uint64_t serial = ++m_serial;
    if (m_next && !std::exchange(m_skipping, true))
        logLine(QStringLiteral("the clipboard changes faster than it can be read; changes "
                               "replaced before they were read are skipped"));
    m_next = PendingChange{serial, owner, time, ownerGone && owner == XCB_NONE};
}

// Handed on once what has arrived is handled: of a burst of changes only the
// last one counts, and one hand-over per change would make this thread too
// slow to keep up with a flood.
void X11SelectionWorker::deliverNotice()
{
    if (m_next && m_next->serial != m_noticedSerial) {
        m_noticedSerial = m_next->serial;
        if (m_delivery.noticed)
            m_delivery.noticed(m_noticedSerial);
    }
}

ClipboardChange X11SelectionWorker::readChange(const PendingChange &pending)
{
    ClipboardChange change;
    change.serial = pending.serial;
    change.owner = pending.owner;
    change.ownerGone = pending.ownerGone && !m_next;
    // An emptied clipboard, or one whose owner was replaced before its turn
    // came: there is nothing left to read of this change.
    if (pending.owner == XCB_NONE || m_next)
        return change;
    const X11SelectionReader::Session session(*m_reader, Clock::now() + ClipboardRead::totalLimit);
    Outcome outcome = Outcome::Done;
    const QList<xcb_atom_t> targets = m_reader->readAtoms(m_atoms.targets, pending.time, &outcome);
    change.formats = atomNames(targets);
    const auto stillReading = [&] {
        return outcome == Outcome::Done || outcome == Outcome::Refused;
    };
    if (stillReading() && targets.contains(m_atoms.hint))
        change.secret = isSecret(pending.time, &outcome);
    if (stillReading() && !change.secret)
        change.text = readText(targets, pending.time, &outcome);
    ClipboardRead::logGivingUp(outcome, m_skipping);
    return change;
}

// Whether the owner marks its copy as a password.
bool X11SelectionWorker::isSecret(xcb_timestamp_t time, Outcome *outcome)
{
    const auto hint = m_reader->readSmall(m_atoms.hint, time, outcome);
    return hint && hint->trimmed() == "secret";
}

std::optional<QString> X11SelectionWorker::readText(const QList<xcb_atom_t> &targets,
                                                    xcb_timestamp_t time, Outcome *outcome)
{
    // Without a TARGETS list (some old owners have none) UTF8_STRING is
    // simply tried.
    xcb_atom_t target = targets.isEmpty() ? m_atoms.utf8String : XCB_NONE;
    // The text targets, best first.
    for (const xcb_atom_t candidate :
         {m_atoms.utf8String, m_atoms.textPlainUtf8, xcb_atom_t(XCB_ATOM_STRING), m_atoms.text}) {
        if (target == XCB_NONE && targets.contains(candidate))
            target = candidate;
    }
    if (target == XCB_NONE)
        return std::nullopt;

    std::function<bool(QStringView)> enough;
    {
        const std::lock_guard lock(m_mutex);
        enough = m_enough;
    }
    std::optional<TextAccumulator> text;
    *outcome =
        m_reader->transfer(target, time, [&](QByteArrayView chunk, xcb_atom_t type, std::uint8_t) {
            // The owner says in its answer how the bytes are encoded.
            if (!text)
                text.emplace(type == XCB_ATOM_STRING ? QStringDecoder::Latin1
                                                     : QStringDecoder::Utf8,
                             enough);
            return text->append(chunk);
        });
    if (*outcome != Outcome::Done || !text)
        return std::nullopt;
    return text->take();
}

QStringList X11SelectionWorker::atomNames(const QList<xcb_atom_t> &atoms)
{
    constexpr qsizetype maxFormats = 128;
    QList<xcb_get_atom_name_cookie_t> cookies;
    for (const xcb_atom_t atom : atoms.first(std::min(atoms.size(), maxFormats)))
        cookies << xcb_get_atom_name(m_connection, atom);
    QStringList names;
    for (const auto cookie : cookies) {
        const XcbReply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        if (reply)
            names << QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                         xcb_get_atom_name_name_length(reply.get()));
    }
    return names;
}

X11SelectionWorker::Owned *X11SelectionWorker::ownedFor(xcb_atom_t selection)
{
    for (Owned &owned : m_owned) {
        if (owned.selection == selection)
            return &owned;
    }
    return nullptr;
}

void X11SelectionWorker::takeOwnership(Selection selection, QByteArray utf8)
{
    Owned &owned = m_owned[int(selection)];
    owned.text = std::move(utf8);
    owned.saved.clear();
    xcb_set_selection_owner(m_connection, m_window, owned.selection, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    owned.owned = true;
}

// A program about to quit asks the clipboard manager to keep its clipboard
// (SAVE_TARGETS). The formats are taken while it waits, then this worker
// owns the clipboard and serves them; the program's copy was recorded as
// it was made.
void X11SelectionWorker::takeOver(const xcb_selection_request_event_t &request)
{
    m_takingOver = true;
    std::vector<SavedFormat> saved;
    if (awaitKeepable())
        saved = saveFormats(request);
    m_takingOver = false;
    Owned &owned = m_owned[int(Selection::Clipboard)];
    // A copy of ours made meanwhile (the user picked an entry) wins.
    if (saved.empty() || owned.owned || m_stopping) {
        answer(request, XCB_NONE);
        return;
    }
    owned.text.clear();
    owned.saved = std::move(saved);
    xcb_set_selection_owner(m_connection, m_window, owned.selection, XCB_CURRENT_TIME);
    owned.owned = true;
    answer(request, request.property == XCB_NONE ? request.target : request.property);
}

// Whether the copy on the clipboard may be taken over. The main thread
// judges each change once it has read it; the change of the program that
// asks was read just before, and its judgement may still be on its way.
bool X11SelectionWorker::awaitKeepable()
{
    const auto deadline = Clock::now() + ClipboardRead::stallTimeout;
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_watching)
                return false;
            if (m_judgedSerial >= m_serial)
                return m_serial != 0 && m_judgedSerial == m_serial && m_judgedKeepable;
        }
        if (m_next || m_stopping)
            return false;
        if (!dispatchUntil(deadline) && Clock::now() >= deadline)
            return false;
    }
}

// Every format the quitting owner names, text first, within the bounds; none
// for a secret copy, or when the clipboard changed hands meanwhile.
std::vector<X11SelectionWorker::SavedFormat>
X11SelectionWorker::saveFormats(const xcb_selection_request_event_t &request)
{
    const auto giveUpAt = Clock::now() + ClipboardRead::totalLimit;
    Outcome outcome = Outcome::Done;
    const std::optional<QList<xcb_atom_t>> targets = formatsToSave(request, giveUpAt, &outcome);
    std::vector<SavedFormat> saved;
    qsizetype budget = maxTakeOverBytes;
    bool cut = false;
    for (const xcb_atom_t target : targets.value_or(QList<xcb_atom_t>())) {
        std::optional<SavedFormat> format = saveFormat(target, giveUpAt, budget, &outcome, &cut);
        if (cut || (outcome != Outcome::Done && outcome != Outcome::Refused))
            break;
        if (format) {
            budget -= format->value.bytes.size();
            saved.push_back(std::move(*format));
        }
    }
    if (cut)
        logLine(QStringLiteral("a quitting program handed over more than 64 MiB of clipboard "
                               "formats; those past that were dropped"));
    ClipboardRead::logGivingUp(outcome, m_skipping);
    if (outcome == Outcome::Superseded)
        saved.clear();
    return saved;
}

std::optional<QList<xcb_atom_t>>
X11SelectionWorker::formatsToSave(const xcb_selection_request_event_t &request,
                                  Clock::time_point giveUpAt, Outcome *outcome)
{
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_atoms.clipboard), nullptr));
    // Only the owner's own program hands its clipboard over (Qt asks from
    // another window of its own): no other may make us take it.
    const std::uint32_t clientBits = ~xcb_get_setup(m_connection)->resource_id_mask;
    if (!owner || owner->owner == XCB_NONE || owner->owner == m_window ||
        (owner->owner & clientBits) != (request.requestor & clientBits))
        return std::nullopt;
    const X11SelectionReader::Session session(*m_reader, giveUpAt);
    const QList<xcb_atom_t> offered =
        m_reader->readAtoms(m_atoms.targets, XCB_CURRENT_TIME, outcome);
    const bool secret = *outcome == Outcome::Done && offered.contains(m_atoms.hint) &&
                        isSecret(XCB_CURRENT_TIME, outcome);
    if (secret || *outcome != Outcome::Done)
        return std::nullopt;
    // The owner may name the formats to keep; all it offers otherwise.
    const QList<xcb_atom_t> named = formatsNamedBy(request);
    return inSavingOrder(named.isEmpty() ? offered : named);
}

QList<xcb_atom_t> X11SelectionWorker::formatsNamedBy(const xcb_selection_request_event_t &request)
{
    if (request.property == XCB_NONE)
        return {};
    const XcbReply<xcb_get_property_reply_t> list(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, request.requestor, request.property, XCB_ATOM_ATOM, 0,
                         maxFormatListBytes / 4),
        nullptr));
    if (!list || list->format != 32)
        return {};
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(list.get()));
    return QList<xcb_atom_t>(atoms, atoms + xcb_get_property_value_length(list.get()) / 4);
}

// Text first, so that the bounds never cost the text; no formats that are
// requests rather than content.
QList<xcb_atom_t> X11SelectionWorker::inSavingOrder(const QList<xcb_atom_t> &formats) const
{
    const xcb_atom_t notContent[] = {
        m_atoms.targets, m_atoms.multiple, m_atoms.timestamp, m_atoms.saveTargets,
        m_atoms.hint,    m_atoms.incr,     XCB_NONE};
    const xcb_atom_t textFirst[] = {m_atoms.utf8String, m_atoms.textPlainUtf8,
                                    xcb_atom_t(XCB_ATOM_STRING), m_atoms.text};
    QList<xcb_atom_t> ordered;
    for (const xcb_atom_t format : textFirst) {
        if (formats.contains(format))
            ordered << format;
    }
    for (const xcb_atom_t format : formats) {
        if (!ordered.contains(format) &&
            std::find(std::begin(notContent), std::end(notContent), format) == std::end(notContent))
            ordered << format;
    }
    return ordered.first(std::min(ordered.size(), maxTakeOverFormats));
}

// One format, whole, or none. `cut` is set when it would pass the budget.
std::optional<X11SelectionWorker::SavedFormat>
X11SelectionWorker::saveFormat(xcb_atom_t target, Clock::time_point giveUpAt, qsizetype budget,
                               Outcome *outcome, bool *cut)
{
    // A session of its own: a transfer given up must not run into the next.
    const X11SelectionReader::Session session(*m_reader, giveUpAt);
    SavedFormat format{target, {}};
    *outcome = m_reader->transfer(target, XCB_CURRENT_TIME,
                                  [&](QByteArrayView chunk, xcb_atom_t type, std::uint8_t unit) {
                                      *cut = format.value.bytes.size() + chunk.size() > budget;
                                      if (*cut)
                                          return false;
                                      format.value.bytes.append(chunk);
                                      format.value.type = type;
                                      format.value.format = unit;
                                      return true;
                                  });
    if (*cut || *outcome != Outcome::Done || format.value.type == XCB_NONE)
        return std::nullopt;
    return format;
}

void X11SelectionWorker::serve(const xcb_selection_request_event_t &request)
{
    // Obsolete clients name no property: the target is the property then.
    const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    const bool toUs = request.owner == m_window;
    if (toUs && request.selection == m_atoms.clipboardManager) {
        if (request.target == m_atoms.saveTargets && m_isManager && !m_takingOver &&
            !m_takeOverRequest) {
            m_takeOverRequest = request; // answered once the formats are kept
            return;
        }
        const xcb_atom_t offered[] = {m_atoms.targets, m_atoms.saveTargets};
        const bool listed = m_isManager && request.target == m_atoms.targets;
        if (listed)
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, std::size(offered), offered);
        answer(request, listed ? property : XCB_NONE);
        return;
    }
    const Owned *owned = ownedFor(request.selection);
    const bool served = toUs && owned && owned->owned && serveTarget(request, property, *owned);
    answer(request, served ? property : XCB_NONE);
}

void X11SelectionWorker::answer(const xcb_selection_request_event_t &request, xcb_atom_t property)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(m_connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&notify));
    xcb_flush(m_connection);
}

bool X11SelectionWorker::serveTarget(const xcb_selection_request_event_t &request,
                                     xcb_atom_t property, const Owned &owned)
{
    if (request.target == m_atoms.targets) {
        std::vector<xcb_atom_t> offered{m_atoms.targets};
        if (owned.saved.empty())
            offered.insert(offered.end(), {m_atoms.utf8String, m_atoms.textPlainUtf8,
                                           XCB_ATOM_STRING, m_atoms.text});
        for (const SavedFormat &format : owned.saved)
            offered.push_back(format.target);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(offered.size()),
                            offered.data());
        return true;
    }
    if (!owned.saved.empty()) {
        for (const SavedFormat &format : owned.saved) {
            if (format.target == request.target) {
                m_writer->write(request.requestor, property, format.value);
                return true;
            }
        }
        return false;
    }
    X11PropertyValue answer{request.target, 8, QByteArray()};
    if (request.target == m_atoms.utf8String || request.target == m_atoms.textPlainUtf8 ||
        request.target == m_atoms.text) {
        answer.bytes = owned.text;
        if (request.target == m_atoms.text)
            answer.type = m_atoms.utf8String;
    } else if (request.target == XCB_ATOM_STRING) {
        answer.bytes = QString::fromUtf8(owned.text).toLatin1();
    } else {
        return false;
    }
    m_writer->write(request.requestor, property, std::move(answer));
    return true;
}

} // namespace quillet::platform
