// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace quillet::ui {

namespace {

// Replaces the translator installed in `slot` by one for `locale`, if there is one.
bool replace(std::unique_ptr<QTranslator> &slot, const QLocale &locale, const QString &name,
             const QString &folder)
{
    if (slot) {
        QCoreApplication::removeTranslator(slot.get());
        slot.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, name, QStringLiteral("_"), folder))
        return false;
    QCoreApplication::installTranslator(translator.get());
    slot = std::move(translator);
    return true;
}

} // namespace

bool Translations::install(const QLocale &locale)
{
    static std::unique_ptr<QTranslator> ours;
    static std::unique_ptr<QTranslator> qts;
    // Qt's own texts: key names in shortcut hints, the search field's menu.
    replace(qts, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return replace(ours, locale, QStringLiteral("quillet"), QStringLiteral(":/quillet/i18n"));
}

} // namespace quillet::ui
