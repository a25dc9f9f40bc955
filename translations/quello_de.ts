<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>MenuBarLabel</name>
    <message>
        <source>Quello, watching DNS propagation</source>
        <translation>Quello, beobachtet die DNS-Verbreitung</translation>
    </message>
    <message>
        <source>Quello (watching DNS)</source>
        <translation>Quello (beobachtet DNS)</translation>
    </message>
    <message>
        <source>Quello</source>
        <translation>Quello</translation>
    </message>
</context>
<context>
    <name>Quello::EmptyStateView</name>
    <message>
        <source>No watches yet</source>
        <translation>Noch keine Beobachtungen</translation>
    </message>
    <message>
        <source>Type a domain below, like %1 A 1.2.3.4, then press return. Quello notifies you when it propagates.</source>
        <translation>Unten eine Domain eingeben, etwa %1 A 1.2.3.4, dann die Eingabetaste drücken. Quello meldet sich, sobald die Änderung überall angekommen ist.</translation>
    </message>
</context>
<context>
    <name>Quello::InputBar</name>
    <message>
        <source>%1  or  %1 A 1.2.3.4</source>
        <translation>%1  oder  %1 A 1.2.3.4</translation>
    </message>
    <message>
        <source>New watch</source>
        <translation>Neue Beobachtung</translation>
    </message>
    <message>
        <source>Not a valid watch</source>
        <translation>Keine gültige Beobachtung</translation>
    </message>
    <message>
        <source>%1, %2, expecting %3</source>
        <translation>%1, %2, erwartet %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>Quello::PanelPopover</name>
    <message>
        <source>Quello</source>
        <translation>Quello</translation>
    </message>
</context>
<context>
    <name>Quello::PanelView</name>
    <message>
        <source>Quello</source>
        <translation>Quello</translation>
    </message>
    <message>
        <source>Check All Now</source>
        <translation>Jetzt alle prüfen</translation>
    </message>
    <message>
        <source>Quit Quello</source>
        <translation>Quello beenden</translation>
    </message>
    <message>
        <source>More actions</source>
        <translation>Weitere Aktionen</translation>
    </message>
</context>
<context>
    <name>Quello::QuelloApp</name>
    <message>
        <source>Quello needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)</source>
        <translation>Quello braucht eine grafische Sitzung (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt)</translation>
    </message>
    <message>
        <source>Quello is already running but does not answer</source>
        <translation>Quello läuft bereits, antwortet aber nicht</translation>
    </message>
</context>
<context>
    <name>Quello::WatchRow</name>
    <message>
        <source>Check Now</source>
        <translation>Jetzt prüfen</translation>
    </message>
    <message>
        <source>Copy Value</source>
        <translation>Wert kopieren</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove watch</source>
        <translation>Beobachtung entfernen</translation>
    </message>
    <message>
        <source>settled</source>
        <translation>abgeschlossen</translation>
    </message>
    <message>
        <source>propagating</source>
        <translation>wird verbreitet</translation>
    </message>
    <message>
        <source>Check now</source>
        <translation>Jetzt prüfen</translation>
    </message>
    <message>
        <source>%1. Shows the answer from each resolver.</source>
        <translation>%1. Zeigt die Antwort jedes Resolvers.</translation>
    </message>
</context>
</TS>
