// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace quillet::app {

// The program on the session bus: its application id as the bus name, and
// the freedesktop org.freedesktop.Application interface, so that desktops
// without a shortcut service can bind keys to
//   gapplication action io.quillet.Quillet paste-latest
class ApplicationService final : public QObject, public QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    struct Actions
    {
        std::function<void()> showHistory;
        std::function<void()> toggleHistory;
        std::function<void()> pasteLatest;
        std::function<void()> pastePrevious;
    };

    // The platform-data key by which a second start names its display.
    static constexpr char displayKeyName[] = "quillet-display";
    static constexpr char otherDisplayError[] = "io.quillet.Quillet.Error.OtherDisplay";

    ApplicationService(QString displayKey, Actions actions, QObject *parent = nullptr);
    ~ApplicationService() override;

    // Exports the object and takes the bus name; false, logged, where there
    // is no session bus or the name is taken.
    bool registerOnSessionBus();

    enum class Answer
    {
        None,      // no running instance answered on the bus
        Shown,     // the running instance on this display shows its window
        Elsewhere, // it runs on another display
    };
    // Asks a running instance, if one owns the bus name, to show its window.
    static Answer activateRunningInstance(const QString &displayKey);

public Q_SLOTS:
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &actionName, const QVariantList &parameter,
                        const QVariantMap &platformData);

private:
    static void adoptActivationToken(const QVariantMap &platformData);
    bool fromOtherDisplay(const QVariantMap &platformData);

    QString m_displayKey;
    Actions m_actions;
    bool m_registered = false;
};

} // namespace quillet::app
