// SPDX-License-Identifier: GPL-3.0-or-later
// Another program's text field for the paste tests: a window titled
// "Paste Target" whose line edit writes its text, as one line of JSON, to
// standard output after every change. With --clear it empties itself after
// writing each text, ready for the next paste. With --clear, it empties itself after
// writing each text, ready for the next paste.
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Paste Target"));
    field.resize(400, 40);
    const bool clear = app.arguments().contains(QStringLiteral("--clear"));
    QObject::connect(&field, &QLineEdit::textChanged, [&](const QString &text) {
        if (clear && text.isEmpty())
            return;
        std::printf("%s\n",
                    QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
        if (clear)
            QMetaObject::invokeMethod(&field, &QLineEdit::clear, Qt::QueuedConnection);
    });
    field.show();
    return app.exec();
}
