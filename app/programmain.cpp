// SPDX-License-Identifier: GPL-3.0-or-later
#include "appdelegate.h"
#include "appidentity.h"
#include "applicationservice.h"
#include "common/desktopnotifier.h"
#include "historyfile.h"
#include "historyservice.h"
#include "log.h"
#include "privatefile.h"
#include "quitonsignal.h"
#include "singleinstance.h"
#include "translations.h"

#include <QApplication>
#include <QTimer>

namespace {

using quillet::app::ApplicationService;
using quillet::app::SingleInstance;

void tellAlreadyRunningElsewhere()
{
    const QString message = QStringLiteral(
        "Quillet already runs for this user on another display; only one can record the "
        "history");
    quillet::platform::logLine(QStringLiteral("already runs for this user on another display; "
                                              "only one instance records the history"));
    quillet::platform::DesktopNotifier::notify(quillet::appName, message);
}

// Qt ends the process with a core dump when there is no display to connect
// to; a plain sentence serves whoever started it better.
bool hasGraphicalSession()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0);
    const bool needsDisplay = platform.isEmpty() || platform == QLatin1String("xcb") ||
                              platform.startsWith(QLatin1String("wayland"));
    return !needsDisplay || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

// The program itself, loaded by the `quillet` executable when it is given no
// command: the executable alone loads no GUI library, which keeps the
// command line quick.
extern "C" __attribute__((visibility("default"))) int quilletRunProgram(int argc, char **argv)
{
    if (!hasGraphicalSession()) {
        quillet::platform::logLine(QStringLiteral(
            "needs a graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set"));
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(quillet::appName.toLower());
    QApplication::setApplicationDisplayName(quillet::appName);
    QApplication::setDesktopFileName(quillet::applicationId);
    // The program lives in the tray: closing its window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::ui::Translations::install();

    const QString displayKey = SingleInstance::currentDisplayKey();
    switch (ApplicationService::activateRunningInstance(displayKey)) {
    case ApplicationService::Answer::Shown:
        return 0;
    case ApplicationService::Answer::Elsewhere:
        tellAlreadyRunningElsewhere();
        return 0;
    case ApplicationService::Answer::None:
        break; // none on the bus, or no bus: the lock decides
    }
    // The runtime folder is private and emptied at logout; the data folder
    // serves only where there is none, and is not created otherwise before
    // the first save.
    const QString dataFolder = quillet::history::HistoryFile::defaultDirectory();
    const QString instanceFolder =
        SingleInstance::privateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), dataFolder);
    if (instanceFolder == dataFolder &&
        !quillet::platform::PrivateFile::makePrivateDirectory(dataFolder)) {
        quillet::platform::logLine(QStringLiteral("cannot create the data folder ") + dataFolder);
        return 1;
    }
    SingleInstance instance(instanceFolder, instanceFolder, displayKey);
    switch (instance.claim()) {
    case SingleInstance::Claim::Forwarded:
        return 0;
    case SingleInstance::Claim::Elsewhere:
        tellAlreadyRunningElsewhere();
        return 0;
    case SingleInstance::Claim::Failed:
        return 1;
    case SingleInstance::Claim::Primary:
        break;
    }

    const quillet::app::QuitOnSignal quitOnSignal;
    quillet::app::AppDelegate delegate;
    QObject::connect(&instance, &SingleInstance::showRequested, &delegate,
                     &quillet::app::AppDelegate::showHistory);
    ApplicationService service(displayKey, delegate.busActions());
    new quillet::app::HistoryService(&service, delegate.store(), delegate.historyActions());
    service.registerOnSessionBus();
    QTimer::singleShot(0, &delegate, &quillet::app::AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
