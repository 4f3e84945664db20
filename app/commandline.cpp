// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "appidentity.h"
#include "clipboardstore.h"
#include "entryselector.h"
#include "historycodec.h"
#include "historyfile.h"
#include "historyservice.h"
#include "systemclock.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QFile>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstdio>

namespace quillet::app {

namespace {

constexpr int callTimeoutMs = 10000;
constexpr qsizetype previewLength = 200;
constexpr qsizetype maxPickedLineBytes = 64 * 1024;

const char usageLine[] =
    "usage: quillet [list [--json] [--limit N] | copy SELECTOR | paste SELECTOR |\n"
    "                delete SELECTOR | clear | pause | resume | show | toggle]\n";

const char helpText[] =
    "Without a command, quillet starts the clipboard history. With one, it acts on\n"
    "the running history and exits:\n"
    "\n"
    "  list [--json] [--limit N]  the entries, newest first: an id, a tab, a preview\n"
    "                             (works without a running history, from its file)\n"
    "  copy SELECTOR              put an entry on the clipboard\n"
    "  paste SELECTOR             paste an entry into the window in front\n"
    "  delete SELECTOR            remove an entry\n"
    "  clear                      remove every entry\n"
    "  pause | resume             stop or go on recording copies\n"
    "  show | toggle              the history window\n"
    "  --help | --version\n"
    "\n"
    "SELECTOR: a position (1 is the newest), an id or its first 8 or more\n"
    "characters, or - for a line of `quillet list` read from standard input:\n"
    "  quillet list | fuzzel --dmenu | quillet paste -\n"
    "\n"
    "Exit status: 0 done, 1 not running, 2 usage error, 3 no such entry.\n";

void print(FILE *stream, QByteArrayView bytes)
{
    std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stream);
}

void say(const QString &message)
{
    print(stderr, QByteArray("quillet: ") + message.toUtf8() + '\n');
}

bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// One line for a picker: line breaks shown as "⏎" (CR LF as one), tabs as
// spaces, other control characters, which a terminal would obey, as "�";
// cut after 200 user-perceived characters with "…".
QString previewOf(const QString &text)
{
    qsizetype end = text.size();
    bool cut = false;
    // Below U+0300 every character but CR (before LF) is one UTF-16 unit;
    // only other texts need the slower count of user-perceived characters.
    const QStringView head = QStringView(text).left(previewLength + 1);
    const bool simple = std::all_of(head.begin(), head.end(),
                                    [](QChar c) { return c.unicode() < 0x300 && c != u'\r'; });
    if (simple && text.size() > previewLength) {
        end = previewLength;
        cut = true;
    } else if (text.size() > previewLength) {
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype count = 0; count < previewLength && graphemes.toNextBoundary() >= 0;)
            ++count;
        if (graphemes.position() >= 0 && graphemes.position() < text.size()) {
            end = graphemes.position();
            cut = true;
        }
    }
    QString line;
    line.reserve(end + 1);
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < end && text[i + 1] == u'\n')
            continue;
        if (isLineBreak(c))
            line += u'⏎';
        else if (c == u'\t')
            line += u' ';
        else if (isControl(c))
            line += QChar::ReplacementCharacter;
        else
            line += QChar(c);
    }
    if (cut)
        line += u'…';
    return line;
}

QString idText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// The entries of a List answer, read straight from the message rather than
// through a list of maps: a thousand entries come quicker so.
QList<history::ClipboardItem> entriesOf(const QDBusArgument &answer)
{
    QList<history::ClipboardItem> items;
    answer.beginArray();
    while (!answer.atEnd()) {
        history::ClipboardItem &item = items.emplace_back();
        answer.beginMap();
        while (!answer.atEnd()) {
            QString name;
            QDBusVariant value;
            answer.beginMapEntry();
            answer >> name >> value;
            answer.endMapEntry();
            const QVariant &variant = value.variant();
            if (name == u"id")
                item.id = QUuid(variant.toString());
            else if (name == u"text")
                item.text = variant.toString();
            else if (name == u"firstCopiedAt")
                item.firstCopiedAt = variant.toDouble();
            else if (name == u"lastCopiedAt")
                item.lastCopiedAt = variant.toDouble();
            else if (name == u"copyCount")
                item.copyCount = variant.toLongLong();
            else if (name == u"sourceApp")
                item.sourceApp = variant.toString();
        }
        answer.endMap();
    }
    answer.endArray();
    return items;
}

QDBusMessage callOnProgram(const QString &interface, const QString &method,
                           const QVariantList &arguments = {})
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(applicationId, applicationObjectPath, interface, method);
    call.setArguments(arguments);
    // A program that is not running is not started by the bus either.
    call.setAutoStartService(false);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMs);
}

// No program answers: none owns the name, or there is no session bus.
bool isAbsence(const QDBusMessage &reply)
{
    static const QStringList absent = {QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
                                       QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                                       QStringLiteral("org.freedesktop.DBus.Error.Disconnected")};
    return absent.contains(reply.errorName()) || !QDBusConnection::sessionBus().isConnected();
}

QString historyInterface()
{
    return QString::fromLatin1(HistoryService::interfaceName);
}

// What launchers pass on so that the window may take the focus.
QVariantMap platformData()
{
    QVariantMap data;
    for (const char *variable : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        const QString token = qEnvironmentVariable(variable);
        if (!token.isEmpty())
            data.insert(QStringLiteral("activation-token"), token);
    }
    return data;
}

} // namespace

int CommandLine::run(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    CommandLine commandLine(QCoreApplication::arguments().mid(1));
    const int status = commandLine.execute();
    std::fflush(stdout);
    return status;
}

CommandLine::CommandLine(QStringList arguments) : m_arguments(std::move(arguments)) {}

int CommandLine::execute()
{
    m_command = m_arguments.takeFirst();
    if (m_command == QLatin1String("--help") || m_command == QLatin1String("-h")) {
        print(stdout, usageLine);
        print(stdout, "\n");
        print(stdout, helpText);
        return Done;
    }
    if (m_command == QLatin1String("--version")) {
        print(stdout, "quillet " QUILLET_VERSION "\n");
        return Done;
    }
    if (m_command == QLatin1String("list"))
        return list();
    static const QStringList withEntry = {QStringLiteral("copy"), QStringLiteral("paste"),
                                          QStringLiteral("delete")};
    if (withEntry.contains(m_command)) {
        if (m_arguments.size() != 1)
            return usageError(QStringLiteral("%1 takes one SELECTOR").arg(m_command));
        return actOnEntry(m_command.at(0).toUpper() + m_command.mid(1));
    }
    static const QStringList withoutArguments = {QStringLiteral("clear"), QStringLiteral("pause"),
                                                 QStringLiteral("resume"), QStringLiteral("show"),
                                                 QStringLiteral("toggle")};
    if (!withoutArguments.contains(m_command))
        return usageError(QStringLiteral("no such command: %1").arg(m_command));
    if (!m_arguments.isEmpty())
        return usageError(QStringLiteral("%1 takes no arguments").arg(m_command));
    if (m_command == QLatin1String("clear"))
        return answer(callOnProgram(historyInterface(), QStringLiteral("Clear")));
    if (m_command == QLatin1String("pause") || m_command == QLatin1String("resume"))
        return answer(callOnProgram(
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
            {historyInterface(), QStringLiteral("Paused"),
             QVariant::fromValue(QDBusVariant(m_command == QLatin1String("pause")))}));
    const QString application = QStringLiteral("org.freedesktop.Application");
    if (m_command == QLatin1String("show"))
        return answer(callOnProgram(application, QStringLiteral("Activate"), {platformData()}));
    return answer(callOnProgram(
        application, QStringLiteral("ActivateAction"),
        {QStringLiteral("toggle-history"), QVariant::fromValue(QVariantList()), platformData()}));
}

int CommandLine::list()
{
    bool json = false;
    uint limit = 0;
    for (qsizetype i = 0; i < m_arguments.size(); ++i) {
        const QString &argument = m_arguments[i];
        QString number;
        if (argument == QLatin1String("--json")) {
            json = true;
            continue;
        }
        if (argument == QLatin1String("--limit") && i + 1 < m_arguments.size())
            number = m_arguments[++i];
        else if (argument.startsWith(QLatin1String("--limit=")))
            number = argument.mid(8);
        else
            return usageError(QStringLiteral("list does not take %1").arg(argument));
        bool valid = std::all_of(number.begin(), number.end(),
                                 [](QChar c) { return c >= u'0' && c <= u'9'; });
        limit = valid ? number.toUInt(&valid) : 0;
        if (!valid || limit == 0)
            return usageError(QStringLiteral("--limit takes a whole number from 1"));
    }
    int status = Done;
    std::optional<QList<history::ClipboardItem>> items = runningHistory(limit, &status);
    if (!items && status != NotRunning)
        return status;
    if (!items) {
        items = historyFromFile();
        if (!items) {
            say(QStringLiteral("cannot read the history file %1; nothing to list")
                    .arg(history::HistoryFile::defaultPath()));
            items.emplace();
        }
        if (limit > 0 && items->size() > qsizetype(limit))
            items->resize(limit);
    }
    if (json) {
        QByteArray bytes = history::HistoryCodec::encode(*items).value_or("[]");
        if (!bytes.endsWith('\n'))
            bytes += '\n';
        print(stdout, bytes);
        return Done;
    }
    QByteArray out;
    for (const history::ClipboardItem &item : *items)
        out += (idText(item.id).left(8) + u'\t' + previewOf(item.text) + u'\n').toUtf8();
    print(stdout, out);
    return Done;
}

int CommandLine::actOnEntry(const QString &method)
{
    int status = Done;
    const auto items = runningHistory(0, &status);
    if (!items)
        return status == NotRunning ? notRunning() : status;
    QString given = m_arguments.first();
    EntrySelector selector;
    if (given == QLatin1String("-")) {
        QFile input;
        if (input.open(stdin, QIODevice::ReadOnly))
            given = QString::fromUtf8(input.readLine(maxPickedLineBytes)).trimmed();
        selector = EntrySelector::parsePickedLine(given);
    } else {
        selector = EntrySelector::parse(given);
    }
    if (!selector.isValid())
        return usageError(QStringLiteral("not a position or an entry id: \"%1\"").arg(given));
    QStringList ids;
    for (const history::ClipboardItem &item : *items)
        ids << idText(item.id);
    qsizetype index = -1;
    switch (selector.resolve(ids, &index)) {
    case EntrySelector::Outcome::NoSuchEntry:
        say(QStringLiteral("no entry %1").arg(given.section(u'\t', 0, 0)));
        return NoSuchEntry;
    case EntrySelector::Outcome::Ambiguous:
        say(QStringLiteral("%1 begins more than one id; give more of it")
                .arg(given.section(u'\t', 0, 0)));
        return NoSuchEntry;
    case EntrySelector::Outcome::Found:
        break;
    }
    return answer(callOnProgram(historyInterface(), method, {ids[index]}));
}

std::optional<QList<history::ClipboardItem>> CommandLine::runningHistory(uint limit,
                                                                         int *status) const
{
    const QDBusMessage reply =
        callOnProgram(historyInterface(), QStringLiteral("List"), {QVariant(limit)});
    if (isAbsence(reply)) {
        *status = NotRunning;
        return std::nullopt;
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        *status = answer(reply);
        return std::nullopt;
    }
    return entriesOf(reply.arguments().first().value<QDBusArgument>());
}

// The entries of the history file that have not expired, read without
// writing or removing anything: none where the file cannot be read.
std::optional<QList<history::ClipboardItem>> CommandLine::historyFromFile()
{
    QFile file(history::HistoryFile::defaultPath());
    if (file.fileName().isEmpty() || !file.exists())
        return QList<history::ClipboardItem>();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    auto items = history::HistoryCodec::decode(bytes);
    if (!items)
        return std::nullopt;
    const platform::Timestamp cutoff = platform::SystemClock().now() - retentionWindow;
    items->removeIf(
        [cutoff](const history::ClipboardItem &item) { return item.lastCopiedAt < cutoff; });
    std::stable_sort(items->begin(), items->end(), &history::ClipboardStore::isNewer);
    return items;
}

int CommandLine::answer(const QDBusMessage &reply) const
{
    if (reply.type() == QDBusMessage::ReplyMessage)
        return Done;
    if (reply.errorName() == QLatin1String(HistoryService::noSuchEntryError)) {
        say(reply.errorMessage());
        return NoSuchEntry;
    }
    if (isAbsence(reply))
        return notRunning();
    say(reply.errorMessage());
    return NotRunning;
}

int CommandLine::usageError(const QString &why) const
{
    say(why);
    print(stderr, usageLine);
    return UsageError;
}

int CommandLine::notRunning() const
{
    say(QStringLiteral("Quillet is not running; start it with \"quillet\" or from the "
                       "applications menu"));
    return NotRunning;
}

} // namespace quillet::app
