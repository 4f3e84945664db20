// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Layouts

// An icon and a one-line text in a row's details line.
RowLayout {
    property alias iconSource: icon.source
    property alias text: label.text
    property alias color: label.color

    spacing: 4
    Layout.maximumWidth: implicitWidth
    Layout.fillWidth: false

    Image {
        id: icon
        sourceSize: Qt.size(12, 12)
    }
    Text {
        id: label
        Layout.fillWidth: true
        font.pixelSize: 11
        maximumLineCount: 1
        elide: Text.ElideRight
        textFormat: Text.PlainText
    }
}
