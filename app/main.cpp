// SPDX-License-Identifier: GPL-3.0-or-later
#include "appdelegate.h"
#include "appidentity.h"
#include "singleinstance.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(quillet::appName.toLower());
    QApplication::setApplicationDisplayName(quillet::appName);
    QApplication::setDesktopFileName(QStringLiteral("quillet"));
    // The program lives in the tray: closing its window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    quillet::app::SingleInstance instance;
    switch (instance.claim()) {
    case quillet::app::SingleInstance::Claim::Forwarded:
        return 0;
    case quillet::app::SingleInstance::Claim::Failed:
        return 1;
    case quillet::app::SingleInstance::Claim::Primary:
        break;
    }

    quillet::app::AppDelegate delegate;
    QObject::connect(&instance, &quillet::app::SingleInstance::showRequested, &delegate,
                     &quillet::app::AppDelegate::showHistory);
    QTimer::singleShot(0, &delegate, &quillet::app::AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
