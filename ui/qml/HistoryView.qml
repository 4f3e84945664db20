// SPDX-License-Identifier: GPL-3.0-or-later
import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Layouts

// The history window's content. Every decision lives in `view` (C++); this
// file only lays it out.
Pane {
    id: root
    required property QtObject view

    SystemPalette { id: pal; colorGroup: SystemPalette.Active }
    readonly property color primaryColor: pal.windowText
    readonly property color secondaryColor: Qt.rgba(pal.windowText.r, pal.windowText.g,
                                                    pal.windowText.b, 0.6)
    readonly property color separatorColor: Qt.rgba(pal.windowText.r, pal.windowText.g,
                                                    pal.windowText.b, 0.16)
    function icon(name, color) {
        return "image://icons/" + name + "/" + color.toString().substring(1)
    }
    // Escape empties the search first, then hides the window.
    function dismiss() {
        if (root.view.searchText.length > 0) {
            root.view.clearSearch()
            searchField.forceActiveFocus()
        } else {
            root.view.requestHide()
        }
    }
    Connections {
        target: root.view
        function onFocusSearchRequested() { searchField.forceActiveFocus() }
    }

    // Every control below inherits these, so the window follows the
    // desktop's palette, light or dark.
    padding: 0
    palette.window: pal.window
    palette.windowText: pal.windowText
    palette.base: pal.base
    palette.alternateBase: pal.alternateBase
    palette.text: pal.text
    palette.button: pal.button
    palette.buttonText: pal.buttonText
    palette.highlight: pal.highlight
    palette.highlightedText: pal.highlightedText
    palette.mid: pal.mid
    palette.dark: pal.dark
    palette.light: pal.light
    palette.shadow: pal.shadow
    palette.placeholderText: root.secondaryColor
    palette.toolTipBase: pal.window
    palette.toolTipText: pal.windowText
    background: Rectangle { color: pal.window }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            objectName: "header"
            Layout.fillWidth: true
            Layout.leftMargin: 18; Layout.rightMargin: 18
            Layout.topMargin: 14; Layout.bottomMargin: 14
            spacing: 12

            Image {
                Layout.preferredWidth: 34; Layout.preferredHeight: 34
                source: "qrc:/quillet/icons/quillet.svg"
                sourceSize: Qt.size(68, 68)
                smooth: true
            }
            ColumnLayout {
                spacing: 2
                Text {
                    text: qsTr("Clipboard History")
                    color: root.primaryColor
                    font.pixelSize: 18; font.weight: Font.DemiBold
                }
                Text {
                    objectName: "savedCount"
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    text: root.view.savedCountText
                    color: root.secondaryColor
                    font.pixelSize: 12
                }
            }
            Item { Layout.fillWidth: true }
            Switch {
                objectName: "pauseSwitch"
                text: qsTr("Pause")
                font.pixelSize: 13; font.weight: Font.Medium
                checked: root.view.isPaused
                onToggled: root.view.isPaused = checked
            }
        }

        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: root.separatorColor }

        Rectangle {
            objectName: "searchBar"
            Layout.fillWidth: true
            Layout.leftMargin: 18; Layout.rightMargin: 18
            Layout.topMargin: 12; Layout.bottomMargin: 12
            implicitHeight: 38
            radius: 8
            color: pal.base
            border.color: root.separatorColor

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 12; anchors.rightMargin: 12
                spacing: 10

                Image {
                    source: root.icon("search", root.secondaryColor)
                    sourceSize: Qt.size(16, 16)
                }
                TextField {
                    id: searchField
                    objectName: "searchField"
                    Layout.fillWidth: true
                    placeholderText: qsTr("Search history")
                    font.pixelSize: 14
                    color: root.primaryColor
                    placeholderTextColor: root.secondaryColor
                    background: null
                    leftPadding: 0; rightPadding: 0
                    focus: true
                    Accessible.name: placeholderText
                    Component.onCompleted: text = root.view.searchText
                    onTextEdited: root.view.searchText = text
                    Keys.onDownPressed: list.enter(0)
                    Keys.onReturnPressed: root.view.copyRow(0)
                    Keys.onEnterPressed: root.view.copyRow(0)
                    Keys.onEscapePressed: root.dismiss()
                    // Pasting asks the program, never the clipboard's owner,
                    // whose answer could keep the window waiting.
                    Keys.onPressed: (event) => {
                        const shiftInsert = event.key === Qt.Key_Insert
                                && (event.modifiers & Qt.ShiftModifier)
                        if (!event.matches(StandardKey.Paste) && !shiftInsert)
                            return
                        event.accepted = true
                        const pasted = root.view.clipboardText()
                        if (pasted.length === 0)
                            return
                        searchField.remove(searchField.selectionStart, searchField.selectionEnd)
                        searchField.insert(searchField.cursorPosition, pasted)
                        root.view.searchText = searchField.text
                    }
                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: Qt.MiddleButton
                    }
                    Connections {
                        target: root.view
                        function onSearchTextChanged() {
                            if (searchField.text !== root.view.searchText)
                                searchField.text = root.view.searchText
                        }
                    }
                }
                ToolButton {
                    objectName: "clearSearchButton"
                    visible: root.view.clearSearchVisible
                    flat: true
                    implicitWidth: 24; implicitHeight: 24
                    padding: 0
                    contentItem: Image {
                        source: root.icon("clear", root.secondaryColor)
                        sourceSize: Qt.size(16, 16)
                        fillMode: Image.Pad
                    }
                    background: null
                    Accessible.name: qsTr("Clear search")
                    ToolTip.text: qsTr("Clear")
                    ToolTip.visible: hovered
                    ToolTip.delay: 600
                    onClicked: root.view.clearSearch()
                }
            }
        }

        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: root.separatorColor }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            ColumnLayout {
                objectName: "emptyState"
                visible: root.view.listEmpty
                anchors.centerIn: parent
                spacing: 10
                Image {
                    Layout.alignment: Qt.AlignHCenter
                    source: root.icon("textpage", root.secondaryColor)
                    sourceSize: Qt.size(40, 40)
                }
                Text {
                    objectName: "emptyText"
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    Accessible.ignored: !root.view.listEmpty
                    Layout.alignment: Qt.AlignHCenter
                    text: root.view.emptyText
                    color: root.secondaryColor
                    font.pixelSize: 15; font.weight: Font.Medium
                }
            }

            ListView {
                id: list
                objectName: "historyList"
                visible: !root.view.listEmpty
                anchors.fill: parent
                clip: true
                spacing: 8
                topMargin: 18; bottomMargin: 18
                leftMargin: 18; rightMargin: 18
                boundsBehavior: Flickable.StopAtBounds
                reuseItems: true
                model: root.view.items
                ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
                activeFocusOnTab: true
                keyNavigationEnabled: true
                highlightMoveDuration: 0
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Clipboard History")

                // Rows that fit the view: what Page Up and Page Down move by.
                readonly property int pageRows: Math.max(1, Math.floor(height / 90))
                function enter(row) {
                    if (count === 0)
                        return
                    currentIndex = Math.max(0, Math.min(row, count - 1))
                    forceActiveFocus()
                }
                onActiveFocusChanged: if (activeFocus && currentIndex < 0) currentIndex = 0
                Keys.onUpPressed: (event) => {
                    if (currentIndex <= 0)
                        searchField.forceActiveFocus()
                    else
                        decrementCurrentIndex()
                }
                Keys.onPressed: (event) => {
                    switch (event.key) {
                    case Qt.Key_PageDown: enter(currentIndex + pageRows); break
                    case Qt.Key_PageUp: enter(currentIndex - pageRows); break
                    case Qt.Key_Home: enter(0); break
                    case Qt.Key_End: enter(count - 1); break
                    case Qt.Key_Return:
                    case Qt.Key_Enter: root.view.copyRow(currentIndex); break
                    case Qt.Key_Delete: root.view.removeRow(currentIndex); break
                    case Qt.Key_Escape: root.dismiss(); break
                    default: return
                    }
                    event.accepted = true
                }

                delegate: HistoryRow {
                    width: ListView.view.width - 36
                    palette: pal
                    primaryColor: root.primaryColor
                    secondaryColor: root.secondaryColor
                    separatorColor: root.separatorColor
                    iconSource: root.icon
                    onCopyRequested: root.view.copy(entryId)
                    onDeleteRequested: root.view.remove(entryId)
                }
            }
        }

        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: root.separatorColor }

        RowLayout {
            objectName: "footer"
            Layout.fillWidth: true
            Layout.leftMargin: 18; Layout.rightMargin: 18
            Layout.topMargin: 12; Layout.bottomMargin: 12

            Text {
                text: qsTr("Stored locally for 24 hours")
                color: root.secondaryColor
                font.pixelSize: 12
            }
            Item { Layout.fillWidth: true }
            Button {
                id: clearButton
                objectName: "clearButton"
                readonly property color destructive: !enabled ? root.secondaryColor
                    : pal.window.hslLightness < 0.5 ? "#ff7b72" : "#d93025"
                enabled: root.view.clearEnabled
                text: qsTr("Clear")
                icon.source: root.icon("trash", destructive)
                icon.color: "transparent"
                icon.width: 14; icon.height: 14
                palette.buttonText: destructive
                onClicked: root.view.clear()
            }
        }
    }
}
