// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls.Fusion

// A borderless 18 × 18 icon button with a tooltip.
ToolButton {
    id: button
    property alias source: image.source
    property string tip

    implicitWidth: 22; implicitHeight: 22
    padding: 2
    flat: true
    background: null
    // Rows are worked from the keyboard with Enter and Delete; their buttons
    // stay out of the Tab chain.
    focusPolicy: Qt.NoFocus
    Accessible.role: Accessible.Button
    Accessible.name: tip
    contentItem: Image {
        id: image
        sourceSize: Qt.size(18, 18)
        width: 18; height: 18
        fillMode: Image.Pad
    }
    ToolTip.text: tip
    ToolTip.visible: hovered
    ToolTip.delay: 600
}
