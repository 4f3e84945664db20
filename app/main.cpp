// SPDX-License-Identifier: GPL-3.0-or-later
#include "appdelegate.h"
#include "applicationservice.h"
#include "appidentity.h"
#include "historyfile.h"
#include "log.h"
#include "qt/desktopnotifier.h"
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

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(quillet::appName.toLower());
    QApplication::setApplicationDisplayName(quillet::appName);
    QApplication::setDesktopFileName(quillet::applicationId);
    // The program lives in the tray: closing its window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::ui::Translations::install();

    const QString dataFolder = quillet::history::HistoryFile::defaultDirectory();
    if (!quillet::history::HistoryFile::makePrivateDirectory(dataFolder)) {
        quillet::platform::logLine(QStringLiteral("cannot create the data folder ") + dataFolder);
        return 1;
    }
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
    SingleInstance instance(
        dataFolder,
        SingleInstance::privateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), dataFolder),
        displayKey);
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
    service.registerOnSessionBus();
    QTimer::singleShot(0, &delegate, &quillet::app::AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
