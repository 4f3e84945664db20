// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboarditem.h"

#include "unicodetext.h"

namespace quillet::history {

ClipboardItem::ClipboardItem(QString text_, std::optional<QString> sourceApp_, Timestamp now)
    : id(QUuid::createUuid()), text(std::move(text_)), firstCopiedAt(now), lastCopiedAt(now),
      sourceApp(std::move(sourceApp_))
{}

bool operator==(const ClipboardItem &a, const ClipboardItem &b)
{
    return a.id == b.id && a.firstCopiedAt == b.firstCopiedAt && a.lastCopiedAt == b.lastCopiedAt &&
           a.copyCount == b.copyCount && a.sourceApp == b.sourceApp &&
           UnicodeText::canonicallyEqual(a.text, b.text);
}

} // namespace quillet::history
