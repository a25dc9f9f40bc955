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
    <name>Quello::CommandLine</name>
    <message>
        <source>%1 is not a domain name: it is longer than 253 characters</source>
        <translation>%1 ist kein Domainname: er ist länger als 253 Zeichen</translation>
    </message>
    <message>
        <source>%1 is not a domain name: it has no dot</source>
        <translation>%1 ist kein Domainname: er enthält keinen Punkt</translation>
    </message>
    <message>
        <source>%1 is not a domain name: %2 is not allowed in it (only letters, digits, “-”, “.” and “_”)</source>
        <translation>%1 ist kein Domainname: %2 ist darin nicht erlaubt (nur Buchstaben, Ziffern, „-“, „.“ und „_“)</translation>
    </message>
    <message>
        <source>%1 is not a domain name: it begins with %2</source>
        <translation>%1 ist kein Domainname: er beginnt mit %2</translation>
    </message>
    <message>
        <source>%1: write the name without its final dot</source>
        <translation>%1: den Namen ohne den Punkt am Ende schreiben</translation>
    </message>
    <message>
        <source>%1 is not a domain name</source>
        <translation>%1 ist kein Domainname</translation>
    </message>
    <message>
        <source>no domain given</source>
        <translation>keine Domain angegeben</translation>
    </message>
    <message>
        <source>%1 is not a record type: use A, AAAA, CNAME, MX, TXT or NS</source>
        <translation>%1 ist kein Eintragstyp: A, AAAA, CNAME, MX, TXT oder NS verwenden</translation>
    </message>
    <message>
        <source>%1 wants a duration such as 90s, 15m or 1h</source>
        <translation>%1 erwartet eine Dauer wie 90s, 15m oder 1h</translation>
    </message>
    <message>
        <source>%1 wants a duration from 1s to 7 days, such as 90s, 15m or 1h, not %2</source>
        <translation>%1 erwartet eine Dauer von 1s bis 7 Tagen, etwa 90s, 15m oder 1h, nicht %2</translation>
    </message>
    <message>
        <source>unknown option %1 (see --help; put -- before a line that begins with “-”)</source>
        <translation>unbekannte Option %1 (siehe --help; vor eine Zeile, die mit „-“ beginnt, -- setzen)</translation>
    </message>
    <message>
        <source>Usage: quello-wait [options] DOMAIN [TYPE [EXPECTED VALUE...]]

Asks the four resolvers Quello asks (this computer&apos;s own, Cloudflare, Google and
Quad9) again and again until they all give the same answer, or all match the
expected value, then exits. TYPE is A (the default), AAAA, CNAME, MX, TXT or NS.
Without an expected value, the answer they agree on must be the one the zone&apos;s
own servers serve, when those can be found.

Options:
      --source             wait for the zone&apos;s own servers instead: exit once
                           every one of them serves the expected value, as a
                           certificate authority will see it; the resolvers are
                           asked only then, for information
  -i, --interval DURATION  time between checks (default 10s, at least 1s)
  -t, --timeout DURATION   give up after this long (default 10m)
  -q, --quiet              print no progress
      --json               print the final state as JSON on standard output
  -h, --help               show this text

A DURATION is a number of seconds, or a form such as 90s, 15m, 1h or 1h30m.

Exit status: 0 settled, 1 timed out, 2 a refused line or option,
3 dig cannot be run, 4 with --source: the zone&apos;s servers cannot be found or
reached, 130 interrupted.
</source>
        <translation>Aufruf: quello-wait [Optionen] DOMAIN [TYP [ERWARTETER WERT...]]

Fragt die vier Resolver, die Quello fragt (den dieses Rechners, Cloudflare, Google und
Quad9), immer wieder, bis alle dieselbe Antwort geben oder alle zum erwarteten Wert
passen, und endet dann. TYP ist A (Vorgabe), AAAA, CNAME, MX, TXT oder NS.
Ohne erwarteten Wert muss die Antwort, auf die sie sich einigen, die der eigenen
Server der Zone sein, sofern diese sich finden lassen.

Optionen:
      --source          stattdessen auf die eigenen Server der Zone warten: enden,
                        sobald jeder von ihnen den erwarteten Wert ausliefert, wie
                        ihn eine Zertifizierungsstelle sehen wird; die Resolver
                        werden erst dann gefragt, zur Information
  -i, --interval DAUER  Zeit zwischen den Prüfungen (Vorgabe 10s, mindestens 1s)
  -t, --timeout DAUER   nach dieser Zeit aufgeben (Vorgabe 10m)
  -q, --quiet           keinen Fortschritt ausgeben
      --json            den Endstand als JSON auf die Standardausgabe schreiben
  -h, --help            diesen Text zeigen

Eine DAUER ist eine Zahl von Sekunden oder eine Form wie 90s, 15m, 1h oder 1h30m.

Rückgabewert: 0 angekommen, 1 Zeit abgelaufen, 2 Zeile oder Option abgelehnt,
3 dig lässt sich nicht starten, 4 mit --source: die Server der Zone lassen sich
nicht finden oder erreichen, 130 abgebrochen.
</translation>
    </message>
</context>
<context>
    <name>Quello::DesktopNotifier</name>
    <message>
        <source>Open Quello</source>
        <translation>Quello öffnen</translation>
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
    <message>
        <source>Added %1, %2</source>
        <translation>%1, %2 hinzugefügt</translation>
    </message>
    <message>
        <source>Already watched: %1, %2</source>
        <translation>Wird schon beobachtet: %1, %2</translation>
    </message>
    <message>
        <source>Not a valid watch; Tab puts in its ACE form, %1</source>
        <translation>Keine gültige Beobachtung; Tab setzt die ACE-Form ein, %1</translation>
    </message>
</context>
<context>
    <name>Quello::InputPreview</name>
    <message>
        <source>wait for %1</source>
        <translation>warten auf %1</translation>
    </message>
    <message>
        <source>ACE form, Tab to use it:</source>
        <translation>ACE-Form, mit Tab übernehmen:</translation>
    </message>
</context>
<context>
    <name>Quello::MenuAccessibility</name>
    <message>
        <source>%1, 1 item</source>
        <translation>%1, 1 Menüpunkt</translation>
    </message>
    <message>
        <source>%1, %2 items</source>
        <translation>%1, %2 Menüpunkte</translation>
    </message>
</context>
<context>
    <name>Quello::MenuBarItem</name>
    <message>
        <source>Open Quello</source>
        <translation>Quello öffnen</translation>
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
    <message>
        <source>No watches yet</source>
        <translation>Noch keine Beobachtungen</translation>
    </message>
    <message>
        <source>1 record settled</source>
        <translation>1 Eintrag abgeschlossen</translation>
    </message>
    <message>
        <source>%1 records settled</source>
        <translation>%1 Einträge abgeschlossen</translation>
    </message>
    <message>
        <source>%1 propagating · %2 settled</source>
        <translation>%1 in Verbreitung · %2 abgeschlossen</translation>
    </message>
    <message>
        <source>%1 propagating</source>
        <translation>%1 in Verbreitung</translation>
    </message>
    <message>
        <source>%1 propagated</source>
        <translation>%1 ist verbreitet</translation>
    </message>
    <message>
        <source>%1 propagating again</source>
        <translation>%1 wird wieder verbreitet</translation>
    </message>
    <message>
        <source>Offline — checks resume when you are back online</source>
        <translation>Offline – die Prüfungen gehen weiter, sobald wieder eine Verbindung besteht</translation>
    </message>
</context>
<context>
    <name>Quello::ProgressView</name>
    <message>
        <source>no answer yet</source>
        <translation>noch keine Antwort</translation>
    </message>
    <message>
        <source>no records</source>
        <translation>keine Einträge</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>ok</translation>
    </message>
    <message>
        <source>problem</source>
        <translation>Problem</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>changed %1 ago</source>
        <translation>vor %1 geändert</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>wird geprüft</translation>
    </message>
    <message>
        <source>next check in %1</source>
        <translation>nächste Prüfung in %1</translation>
    </message>
    <message>
        <source>%1: %2 of %3</source>
        <translation>%1: %2 von %3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 settled after %2: %3
</source>
        <translation>%1 ist nach %2 überall angekommen: %3
</translation>
    </message>
    <message>
        <source>quello-wait: %1 did not settle within %2; still lagging: %3
</source>
        <translation>quello-wait: %1 ist nach %2 noch nicht überall angekommen; noch zurück: %3
</translation>
    </message>
    <message>
        <source>ETA %1</source>
        <translation>voraussichtlich %1</translation>
    </message>
    <message>
        <source>not asked yet</source>
        <translation>noch nicht gefragt</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>%1: every server of the zone serves it after %2: %3
</source>
        <translation>%1: jeder Server der Zone liefert es nach %2 aus: %3
</translation>
    </message>
    <message>
        <source>quello-wait: %1: the zone&apos;s servers cannot be found or reached (%2)
</source>
        <translation>quello-wait: %1: die Server der Zone lassen sich nicht finden oder erreichen (%2)
</translation>
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
    <message>
        <source>the session bus does not answer; Quello runs without it</source>
        <translation>der Sitzungsbus antwortet nicht; Quello läuft ohne ihn</translation>
    </message>
</context>
<context>
    <name>Quello::ResolverDetails</name>
    <message>
        <source>unreachable</source>
        <translation>nicht erreichbar</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
    <message>
        <source>disagrees</source>
        <translation>weicht ab</translation>
    </message>
    <message>
        <source>agrees</source>
        <translation>stimmt überein</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
</context>
<context>
    <name>Quello::SourceText</name>
    <message>
        <source>does not answer</source>
        <translation>antwortet nicht</translation>
    </message>
    <message>
        <source>unreachable</source>
        <translation>nicht erreichbar</translation>
    </message>
    <message>
        <source>no route from here</source>
        <translation>von hier aus kein Weg</translation>
    </message>
    <message>
        <source>refuses to answer</source>
        <translation>verweigert die Antwort</translation>
    </message>
    <message>
        <source>server failure</source>
        <translation>Serverfehler</translation>
    </message>
    <message>
        <source>not authoritative</source>
        <translation>nicht zuständig</translation>
    </message>
    <message>
        <source>no record</source>
        <translation>kein Eintrag</translation>
    </message>
    <message>
        <source>servers disagree: %1 still has %2</source>
        <translation>Server uneins: %1 hat noch %2</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>not published yet</source>
        <translation>noch nicht veröffentlicht</translation>
    </message>
    <message>
        <source>%1 of %2 servers</source>
        <translation>%1 von %2 Servern</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>Seriennummer %1</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>resolvers agree on the old answer</source>
        <translation>Resolver einig über die alte Antwort</translation>
    </message>
</context>
<context>
    <name>Quello::StatusText</name>
    <message>
        <source>no such name</source>
        <translation>Name existiert nicht</translation>
    </message>
    <message>
        <source>no record of this type</source>
        <translation>kein Eintrag dieses Typs</translation>
    </message>
    <message>
        <source>server failure</source>
        <translation>Serverfehler</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>abgelehnt</translation>
    </message>
    <message>
        <source>error response</source>
        <translation>Fehlerantwort</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>Zeitüberschreitung</translation>
    </message>
    <message>
        <source>unreachable</source>
        <translation>nicht erreichbar</translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation>Verbindung abgelehnt</translation>
    </message>
    <message>
        <source>query failed</source>
        <translation>Abfrage fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>cache expiring</source>
        <translation>Cache läuft ab</translation>
    </message>
    <message>
        <source>cached %1 more</source>
        <translation>noch %1 im Cache</translation>
    </message>
    <message>
        <source>any moment now</source>
        <translation>jeden Moment</translation>
    </message>
    <message>
        <source>about %1</source>
        <translation>etwa %1</translation>
    </message>
</context>
<context>
    <name>Quello::WaitCommand</name>
    <message>
        <source>cannot run %1: it is missing or not executable (package bind9-dnsutils)</source>
        <translation>%1 lässt sich nicht starten: es fehlt oder ist nicht ausführbar (Paket bind9-dnsutils)</translation>
    </message>
    <message>
        <source>cannot run %1</source>
        <translation>%1 lässt sich nicht starten</translation>
    </message>
    <message>
        <source>asking for %1, the ACE form of %2</source>
        <translation>frage nach %1, der ACE-Form von %2</translation>
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
        <source>no answer yet</source>
        <translation>noch keine Antwort</translation>
    </message>
    <message>
        <source>checking…</source>
        <translation>wird geprüft…</translation>
    </message>
    <message>
        <source>%1, %2 record</source>
        <translation>%1, %2-Eintrag</translation>
    </message>
    <message>
        <source>, current value %1</source>
        <translation>, aktueller Wert %1</translation>
    </message>
    <message>
        <source>, waiting for %1</source>
        <translation>, warten auf %1</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Shows the answer from each resolver.</source>
        <translation>Zeigt die Antwort jedes Resolvers.</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
</TS>
