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
    <name>Quello::CommandLine</name>
    <message>
        <source>%1 is not a domain name: it is longer than 253 characters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a domain name: it has no dot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a domain name: %2 is not allowed in it (only letters, digits, “-”, “.” and “_”)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a domain name: it begins with %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: write the name without its final dot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a domain name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no domain given</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a record type: use A, AAAA, CNAME, MX, TXT or NS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 wants a duration such as 90s, 15m or 1h</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 wants a duration from 1s to 7 days, such as 90s, 15m or 1h, not %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown option %1 (see --help; put -- before a line that begins with “-”)</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::DesktopNotifier</name>
    <message>
        <source>Open Quello</source>
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
    <message>
        <source>Added %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Already watched: %1, %2</source>
    </message>
    <message>
        <source>Not a valid watch; Tab puts in its ACE form, %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::InputPreview</name>
    <message>
        <source>wait for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ACE form, Tab to use it:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::MenuAccessibility</name>
    <message>
        <source>%1, 1 item</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2 items</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::MenuBarItem</name>
    <message>
        <source>Open Quello</source>
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
    <message>
        <source>No watches yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 record settled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 records settled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 propagating · %2 settled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 propagating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 propagated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 propagating again</source>
    </message>
    <message>
        <source>Offline — checks resume when you are back online</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::ProgressView</name>
    <message>
        <source>no answer yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ok</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>problem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>changed %1 ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>next check in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 of %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 settled after %2: %3
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>quello-wait: %1 did not settle within %2; still lagging: %3
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ETA %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not asked yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: every server of the zone serves it after %2: %3
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>quello-wait: %1: the zone&apos;s servers cannot be found or reached (%2)
</source>
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
    <message>
        <source>the session bus does not answer; Quello runs without it</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::ResolverDetails</name>
    <message>
        <source>unreachable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>disagrees</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>agrees</source>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::SourceText</name>
    <message>
        <source>does not answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unreachable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no route from here</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>refuses to answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>server failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not authoritative</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>servers disagree: %1 still has %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not published yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2 servers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>resolvers agree on the old answer</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::StatusText</name>
    <message>
        <source>no such name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no record of this type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>server failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>error response</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>timed out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unreachable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>query failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cache expiring</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cached %1 more</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>any moment now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Quello::WaitCommand</name>
    <message>
        <source>cannot run %1: it is missing or not executable (package bind9-dnsutils)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot run %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>asking for %1, the ACE form of %2</source>
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
        <source>no answer yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checking…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2 record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, current value %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, waiting for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows the answer from each resolver.</source>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
