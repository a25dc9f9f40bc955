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

Options:
  -i, --interval DURATION  time between checks (default 10s, at least 1s)
  -t, --timeout DURATION   give up after this long (default 10m)
  -q, --quiet              print no progress
      --json               print the final state as JSON on standard output
  -h, --help               show this text

A DURATION is a number of seconds, or a form such as 90s, 15m, 1h or 1h30m.

Exit status: 0 settled, 1 timed out, 2 a refused line or option,
3 dig cannot be run, 130 interrupted.
</source>
        <translation></translation>
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
</context>
<context>
    <name>Quello::InputPreview</name>
    <message>
        <source>wait for %1</source>
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
    <name>Quello::ResolverDetails</name>
    <message>
        <source>unreachable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no answer</source>
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
</context>
</TS>
