// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// One history entry as a card: its text, when, where from and how often it
// was copied, and buttons to copy and delete it. A click anywhere on the text
// side copies too.
Rectangle {
    id: row
    objectName: "historyRow"

    required property string entryId
    required property string text
    required property string relativeTime
    required property string sourceApp
    required property string copyCountText
    required property bool isCopied

    property var palette
    property color primaryColor
    property color secondaryColor
    property color separatorColor
    property var iconSource

    signal copyRequested()
    signal deleteRequested()

    // The row the keyboard works on.
    readonly property bool selected: ListView.isCurrentItem && ListView.view.activeFocus

    implicitHeight: layout.implicitHeight + 24
    // Marks stacked above a line of "zalgo" text would reach the row above.
    clip: true
    radius: 8
    color: palette ? palette.base : "white"
    border.color: selected && palette ? palette.highlight : separatorColor
    border.width: selected ? 2 : 1

    Accessible.role: Accessible.ListItem
    Accessible.name: [row.text, row.sourceApp, row.relativeTime, row.copyCountText]
                         .filter(part => part.length > 0).join(", ")
    Accessible.selected: selected

    RowLayout {
        id: layout
        anchors.fill: parent
        anchors.margins: 12
        spacing: 12

        Item {
            objectName: "rowContent"
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            implicitHeight: content.implicitHeight
            Layout.preferredHeight: Math.max(content.implicitHeight, buttons.implicitHeight)

            ColumnLayout {
                id: content
                anchors.left: parent.left
                anchors.right: parent.right
                spacing: 8

                Text {
                    objectName: "preview"
                    Layout.fillWidth: true
                    text: row.text
                    textFormat: Text.PlainText
                    color: row.primaryColor
                    font.family: "monospace"
                    font.pixelSize: 13
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    maximumLineCount: 4
                    elide: Text.ElideRight
                }
                RowLayout {
                    objectName: "details"
                    Layout.fillWidth: true
                    spacing: 8

                    DetailLabel {
                        iconSource: row.iconSource("clock", row.secondaryColor)
                        text: row.relativeTime
                        color: row.secondaryColor
                    }
                    DetailLabel {
                        objectName: "appLabel"
                        visible: row.sourceApp.length > 0
                        iconSource: row.iconSource("app", row.secondaryColor)
                        text: row.sourceApp
                        color: row.secondaryColor
                    }
                    DetailLabel {
                        objectName: "countLabel"
                        visible: row.copyCountText.length > 0
                        iconSource: row.iconSource("repeat", row.secondaryColor)
                        text: row.copyCountText
                        color: row.secondaryColor
                    }
                    Item { Layout.fillWidth: true }
                }
            }
            MouseArea {
                anchors.fill: parent
                onClicked: row.copyRequested()
            }
        }

        ColumnLayout {
            id: buttons
            Layout.alignment: Qt.AlignTop
            spacing: 8

            RowIconButton {
                objectName: "copyButton"
                source: row.iconSource(row.isCopied ? "checkmark" : "copy",
                                       row.isCopied ? row.palette.highlight : row.secondaryColor)
                tip: row.isCopied ? qsTr("Copied") : qsTr("Copy")
                onClicked: row.copyRequested()
            }
            RowIconButton {
                objectName: "deleteButton"
                source: row.iconSource("trash", row.secondaryColor)
                tip: qsTr("Delete")
                onClicked: row.deleteRequested()
            }
        }
    }
}
