<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>HistoryRow</name>
    <message>
        <location filename="../qml/HistoryRow.qml" line="116"/>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <location filename="../qml/HistoryRow.qml" line="116"/>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <location filename="../qml/HistoryRow.qml" line="122"/>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <location filename="../qml/HistoryView.qml" line="76"/>
        <location filename="../qml/HistoryView.qml" line="230"/>
        <source>Clipboard History</source>
        <translation>Zwischenablage-Verlauf</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="92"/>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="124"/>
        <source>Search history</source>
        <translation>Verlauf durchsuchen</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="177"/>
        <source>Clear search</source>
        <translation>Suche leeren</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="178"/>
        <location filename="../qml/HistoryView.qml" line="295"/>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="284"/>
        <source>Stored locally for 24 hours</source>
        <translation>24 Stunden lokal gespeichert</translation>
    </message>
</context>
<context>
    <name>quillet::app::AppDelegate</name>
    <message>
        <location filename="../../app/appdelegate.cpp" line="84"/>
        <source>Show History</source>
        <translation>Verlauf anzeigen</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="85"/>
        <source>Paste Latest</source>
        <translation>Letzten einfügen</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="86"/>
        <source>Paste Previous</source>
        <translation>Vorletzten einfügen</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="89"/>
        <source>Pause Capture</source>
        <translation>Aufzeichnung pausieren</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="96"/>
        <source>Start at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="106"/>
        <source>Clear History</source>
        <translation>Verlauf leeren</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="109"/>
        <source>Some shortcuts unavailable</source>
        <translation>Einige Tastenkürzel nicht verfügbar</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="110"/>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp"/>
        <source>Enable GNOME Integration</source>
        <translation>GNOME-Integration aktivieren</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp"/>
        <source>GNOME integration is enabled. It takes effect at your next login.</source>
        <translation>Die GNOME-Integration ist aktiviert. Sie wirkt ab der nächsten Anmeldung.</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp"/>
        <source>GNOME integration could not be enabled: the Quillet extension is not installed.</source>
        <translation>Die GNOME-Integration konnte nicht aktiviert werden: Die Quillet-Erweiterung ist nicht installiert.</translation>
    </message>
</context>
<context>
    <name>quillet::ui::HistoryView</name>
    <message numerus="yes">
        <location filename="../historyview.cpp" line="52"/>
        <source>%n saved</source>
        <translation>
            <numerusform>%n gespeichert</numerusform>
            <numerusform>%n gespeichert</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../historyview.cpp" line="57"/>
        <source>No copied text yet</source>
        <translation>Noch kein kopierter Text</translation>
    </message>
    <message>
        <location filename="../historyview.cpp" line="57"/>
        <source>No results</source>
        <translation>Keine Treffer</translation>
    </message>
</context>
</TS>
