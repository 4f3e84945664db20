// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace quillet::ui {

bool Translations::install(const QLocale &locale)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("quillet"), QStringLiteral("_"),
                          QStringLiteral(":/quillet/i18n")))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

} // namespace quillet::ui
