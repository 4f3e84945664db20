// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopentryindex.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStandardPaths>

namespace quillet::platform {

namespace {

QString unescapeValue(QStringView value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case 's':
            result += u' ';
            break;
        case 'n':
            result += u'\n';
            break;
        case 't':
            result += u'\t';
            break;
        case 'r':
            result += u'\r';
            break;
        default:
            result += value[i];
        }
    }
    return result;
}

QString systemLocaleName()
{
    // LC_ALL, LC_MESSAGES and LANG decide the language of messages.
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QLocale::system().name();
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationFolders, QString localeName)
    : m_folders(std::move(applicationFolders)), m_localeName(std::move(localeName))
{
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_watcher,
                     [this] { m_stale = true; });
}

DesktopEntryIndex::DesktopEntryIndex()
    : DesktopEntryIndex(QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation),
                        systemLocaleName())
{}

std::optional<QString> DesktopEntryIndex::nameFor(const QString &wmInstance, const QString &wmClass)
{
    if (const Entry *entry = entryFor(wmInstance, wmClass))
        return entry->name;
    return std::nullopt;
}

std::optional<bool> DesktopEntryIndex::isTerminalEmulator(const QString &wmInstance,
                                                          const QString &wmClass)
{
    if (const Entry *entry = entryFor(wmInstance, wmClass))
        return entry->terminalEmulator;
    return std::nullopt;
}

const DesktopEntryIndex::Entry *DesktopEntryIndex::entryFor(const QString &wmInstance,
                                                            const QString &wmClass)
{
    readIfStale();
    for (const QString &key : {wmClass, wmInstance}) {
        if (const auto found = m_byWmClass.constFind(key); found != m_byWmClass.cend())
            return &*found;
    }
    for (const QString &key : {wmClass, wmInstance}) {
        const QString folded = key.toCaseFolded();
        if (const auto found = m_byWmClassFolded.constFind(folded);
            found != m_byWmClassFolded.cend())
            return &*found;
        if (const auto found = m_byId.constFind(key.toLower()); found != m_byId.cend())
            return &*found;
    }
    return nullptr;
}

void DesktopEntryIndex::readIfStale()
{
    if (!m_stale)
        return;
    m_stale = false;
    ++m_readCount;
    m_byWmClass.clear();
    m_byWmClassFolded.clear();
    m_byId.clear();
    m_seenIds.clear();
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    for (const QString &folder : std::as_const(m_folders))
        readFolder(folder, QString(), 0);
}

// Entries in sub-folders get ids with the folder names joined by '-'. An id
// seen in an earlier folder hides the same id further down the list.
void DesktopEntryIndex::readFolder(const QString &folder, const QString &idPrefix, int depth)
{
    const QDir dir(folder);
    if (depth > 4)
        return;
    if (!dir.exists()) {
        // Watched from the nearest folder that exists, so that its creation
        // (a first application installed for the user) is noticed.
        if (depth == 0)
            watchNearestExistingParent(folder);
        return;
    }
    m_watcher.addPath(dir.absolutePath());
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable);
    for (const QFileInfo &file : files)
        readEntry(file.absoluteFilePath(), idPrefix + file.completeBaseName());
    const QFileInfoList subfolders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &subfolder : subfolders)
        readFolder(subfolder.absoluteFilePath(), idPrefix + subfolder.fileName() + u'-', depth + 1);
}

void DesktopEntryIndex::readEntry(const QString &path, const QString &id)
{
    const QString lowerId = id.toLower();
    // The first entry with an id decides, even one that is hidden or no
    // application: it hides those of the same id further down.
    if (m_seenIds.contains(lowerId))
        return;
    m_seenIds.insert(lowerId);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QStringList nameKeys = localeKeys();
    QHash<QString, QString> values;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key == QLatin1String("Type") || key == QLatin1String("Hidden") ||
            key == QLatin1String("StartupWMClass") || key == QLatin1String("Categories") ||
            nameKeys.contains(key))
            values.insert(key, unescapeValue(QStringView(line).mid(equals + 1).trimmed()));
    }
    if (values.value(QStringLiteral("Hidden")) == QLatin1String("true") ||
        values.value(QStringLiteral("Type")) != QLatin1String("Application"))
        return;
    QString name;
    for (const QString &key : nameKeys) {
        name = values.value(key);
        if (!name.isEmpty())
            break;
    }
    if (name.isEmpty())
        return;
    const Entry entry{name, values.value(QStringLiteral("Categories"))
                                .split(u';')
                                .contains(QLatin1String("TerminalEmulator"))};
    m_byId.insert(lowerId, entry);
    const QString wmClass = values.value(QStringLiteral("StartupWMClass"));
    if (!wmClass.isEmpty()) {
        if (!m_byWmClass.contains(wmClass))
            m_byWmClass.insert(wmClass, entry);
        if (!m_byWmClassFolded.contains(wmClass.toCaseFolded()))
            m_byWmClassFolded.insert(wmClass.toCaseFolded(), entry);
    }
}

void DesktopEntryIndex::watchNearestExistingParent(const QString &folder)
{
    QString parent = QFileInfo(folder).absolutePath();
    while (!QFileInfo(parent).isDir()) {
        const QString up = QFileInfo(parent).absolutePath();
        if (up == parent)
            return;
        parent = up;
    }
    if (!m_watcher.directories().contains(parent))
        m_watcher.addPath(parent);
}

// Name[lang_COUNTRY@MODIFIER], Name[lang_COUNTRY], Name[lang@MODIFIER],
// Name[lang], then Name: the order of the Desktop Entry format.
QStringList DesktopEntryIndex::localeKeys() const
{
    // lang_COUNTRY.ENCODING@MODIFIER: the encoding plays no part.
    const QString modifier = m_localeName.section(u'@', 1);
    const QString locale = m_localeName.section(u'@', 0, 0).section(u'.', 0, 0);
    const QString language = locale.section(u'_', 0, 0);
    const QString country = locale.section(u'_', 1);
    QStringList keys;
    auto add = [&](const QString &suffix) { keys << QStringLiteral("Name[%1]").arg(suffix); };
    if (!language.isEmpty() && language != QLatin1String("C") &&
        language != QLatin1String("POSIX")) {
        if (!country.isEmpty() && !modifier.isEmpty())
            add(language + u'_' + country + u'@' + modifier);
        if (!country.isEmpty())
            add(language + u'_' + country);
        if (!modifier.isEmpty())
            add(language + u'@' + modifier);
        add(language);
    }
    keys << QStringLiteral("Name");
    return keys;
}

} // namespace quillet::platform
