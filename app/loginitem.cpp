// SPDX-License-Identifier: GPL-3.0-or-later
#include "loginitem.h"

#include "appidentity.h"
#include "log.h"
#include "privatefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillet::app {

namespace {

// Exec values quote arguments with double quotes, escaping \ " ` $ inside.
QString quotedExec(const QString &program)
{
    QString escaped;
    for (const QChar c : program) {
        if (c == u'\\' || c == u'"' || c == u'`' || c == u'$')
            escaped += u'\\';
        escaped += c;
    }
    return u'"' + escaped + u'"';
}

} // namespace

LoginItem::LoginItem(QString executable) : m_executable(std::move(executable)) {}

QString LoginItem::entryPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/") + applicationId + QStringLiteral(".desktop");
}

bool LoginItem::isEnabled() const
{
    return QFile::exists(entryPath());
}

bool LoginItem::setEnabled(bool enabled)
{
    const QString path = entryPath();
    if (!enabled) {
        if (QFile::remove(path) || !QFile::exists(path))
            return true;
        platform::logLine(QStringLiteral("cannot remove ") + path);
        return false;
    }
    const QByteArray entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\n"
                                            "Comment=Clipboard history in the tray\nExec=%2\n"
                                            "Icon=%3\nTerminal=false\nNoDisplay=true\n")
                                 .arg(appName, quotedExec(m_executable), applicationId)
                                 .toUtf8();
    QString error;
    if (!platform::PrivateFile::makePrivateDirectory(QFileInfo(path).absolutePath()) ||
        !platform::PrivateFile::replace(path, entry, &error)) {
        platform::logLine(QStringLiteral("cannot write ") + path);
        return false;
    }
    return true;
}

} // namespace quillet::app
