<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" sourcelanguage="en">
<context>
    <name>MenuBarLabel</name>
    <message>
        <source>Quello, watching DNS propagation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quello (watching DNS)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quello</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::EmptyStateView</name>
    <message>
        <source>No watches yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type a domain below, like %1 A 1.2.3.4, then press return. Quello notifies you when it propagates.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::InputBar</name>
    <message>
        <source>%1  or  %1 A 1.2.3.4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New watch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a valid watch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2, expecting %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::PanelPopover</name>
    <message>
        <source>Quello</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::PanelView</name>
    <message>
        <source>Quello</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check All Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Quello</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>More actions</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::QuelloApp</name>
    <message>
        <source>Quello needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quello is already running but does not answer</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::WatchRow</name>
    <message>
        <source>Check Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove watch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>propagating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. Shows the answer from each resolver.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
