// SPDX-License-Identifier: GPL-3.0-or-later
// Another program's text field for the paste tests: a window titled
// "Paste Target" whose line edit writes its text, as one line of JSON, to
// standard output after every change. With --clear it empties itself after
// writing each text, ready for the next paste. With --copy TEXT it copies
// TEXT whenever its own text changes, and with --secret marks that copy as
// a password manager does.
#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMimeData>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Paste Target"));
    field.resize(400, 40);
    const bool clear = app.arguments().contains(QStringLiteral("--clear"));
    // On Wayland a program may set the clipboard only in answer to input:
    // the copy waits for the first key typed.
    const qsizetype copy = app.arguments().indexOf(QStringLiteral("--copy"));
    const QString copyText = copy > 0 ? app.arguments().value(copy + 1) : QString();
    const bool secret = app.arguments().contains(QStringLiteral("--secret"));
    QObject::connect(&field, &QLineEdit::textChanged, [&](const QString &text) {
        if (!copyText.isEmpty() && !text.isEmpty()) {
            auto *data = new QMimeData;
            data->setText(copyText);
            if (secret)
                data->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
            QGuiApplication::clipboard()->setMimeData(data);
        }
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
