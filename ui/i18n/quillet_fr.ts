<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>HistoryRow</name>
    <message>
        <location filename="../qml/HistoryRow.qml" line="116"/>
        <source>Copied</source>
        <translation>Copié</translation>
    </message>
    <message>
        <location filename="../qml/HistoryRow.qml" line="116"/>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <location filename="../qml/HistoryRow.qml" line="122"/>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
</context>
<context>
    <name>HistoryView</name>
    <message>
        <location filename="../qml/HistoryView.qml" line="76"/>
        <location filename="../qml/HistoryView.qml" line="230"/>
        <source>Clipboard History</source>
        <translation>Historique du presse-papiers</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="92"/>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="124"/>
        <source>Search history</source>
        <translation>Rechercher dans l’historique</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="177"/>
        <source>Clear search</source>
        <translation>Effacer la recherche</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="178"/>
        <location filename="../qml/HistoryView.qml" line="295"/>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <location filename="../qml/HistoryView.qml" line="284"/>
        <source>Stored locally for 24 hours</source>
        <translation>Conservé localement pendant 24 heures</translation>
    </message>
</context>
<context>
    <name>quillet::app::AppDelegate</name>
    <message>
        <location filename="../../app/appdelegate.cpp" line="84"/>
        <source>Show History</source>
        <translation>Afficher l’historique</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="85"/>
        <source>Paste Latest</source>
        <translation>Coller le dernier</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="86"/>
        <source>Paste Previous</source>
        <translation>Coller le précédent</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="89"/>
        <source>Pause Capture</source>
        <translation>Suspendre la capture</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="96"/>
        <source>Start at Login</source>
        <translation>Lancer à l’ouverture de session</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="106"/>
        <source>Clear History</source>
        <translation>Effacer l’historique</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="109"/>
        <source>Some shortcuts unavailable</source>
        <translation>Certains raccourcis indisponibles</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp" line="110"/>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp"/>
        <source>Enable GNOME Integration</source>
        <translation>Activer l’intégration GNOME</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp"/>
        <source>GNOME integration is enabled. It takes effect at your next login.</source>
        <translation>L’intégration GNOME est activée. Elle prendra effet à votre prochaine connexion.</translation>
    </message>
    <message>
        <location filename="../../app/appdelegate.cpp"/>
        <source>GNOME integration could not be enabled: the Quillet extension is not installed.</source>
        <translation>L’intégration GNOME n’a pas pu être activée : l’extension Quillet n’est pas installée.</translation>
    </message>
</context>
<context>
    <name>quillet::ui::HistoryView</name>
    <message numerus="yes">
        <location filename="../historyview.cpp" line="52"/>
        <source>%n saved</source>
        <translation>
            <numerusform>%n enregistré</numerusform>
            <numerusform>%n enregistrés</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../historyview.cpp" line="57"/>
        <source>No copied text yet</source>
        <translation>Aucun texte copié pour l’instant</translation>
    </message>
    <message>
        <location filename="../historyview.cpp" line="57"/>
        <source>No results</source>
        <translation>Aucun résultat</translation>
    </message>
</context>
</TS>
