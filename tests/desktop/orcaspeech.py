#!/usr/bin/python3
"""What the Orca screen reader says about Quello's panel.

    orcaspeech.py QUELLO [--transcript]

Runs inside the DNS lab and the test desktop (tests/session/desktop-session).
Starts the accessibility bus with accessibility switched off, then Quello
with its panel open, then Orca (which switches it on, as when the screen
reader is turned on after login), and drives the panel with the keyboard. After each step it reads the
lines Orca spoke from its debug log. It prints each step with what Orca said
and fails when a step's speech lacks what it must say (with --transcript it
only prints). Exits 77 outside the lab or the desktop. ORCASPEECH_KEEP=DIR
keeps the throw-away home, with Orca's log, in DIR.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

QUELLO = sys.argv[1]
TRANSCRIPT = "--transcript" in sys.argv
LAB = os.environ.get("DNSLAB", "")

if not LAB or not os.environ.get("QUELLO_TEST_DESKTOP") or not shutil.which("orca"):
    print("SKIP: needs orca, the DNS lab and the test desktop: tests/dnslab/dnslab run -- "
          "tests/session/desktop-session -- ctest -L desktop")
    sys.exit(77)

home = tempfile.mkdtemp(prefix="orcaspeech.", dir=os.environ.get("ORCASPEECH_KEEP"))
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/.config",
           XDG_DATA_HOME=f"{home}/.local/share", XDG_RUNTIME_DIR=home,
           XDG_CACHE_HOME=f"{home}/.cache", GSETTINGS_BACKEND="keyfile",
           QT_QPA_PLATFORM="xcb")
started = []


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def start(*args, **kwargs):
    process = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL,
                               stderr=kwargs.pop("stderr", subprocess.DEVNULL), **kwargs)
    started.append(process)
    return process


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def lab(*args):
    subprocess.run([LAB, *args], check=True, stdout=subprocess.DEVNULL)


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", "--delay", "150", *keys], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


# Accessibility off, in the key-file settings the bus launcher reads and
# writes: Orca turns it on when it starts.
write(f"{home}/.config/glib-2.0/settings/keyfile",
      "[org/gnome/desktop/interface]\ntoolkit-accessibility=false\n"
      "[org/gnome/desktop/a11y/applications]\nscreen-reader-enabled=false\n")
# Two saved watches: b is answered 192.0.2.2 by three resolvers and
# 192.0.2.9 by Google; c has settled.
write(f"{home}/.config/Quello/Quello.ini",
      "[General]\nQuelloWatches=\"[{\\\"id\\\":\\\"6F9619FF-8B86-D011-B42D-00C04FC964F1\\\","
      "\\\"domain\\\":\\\"b.example.test\\\",\\\"recordType\\\":\\\"A\\\","
      "\\\"createdAt\\\":800000000},"
      "{\\\"id\\\":\\\"6F9619FF-8B86-D011-B42D-00C04FC964F2\\\","
      "\\\"domain\\\":\\\"c.example.test\\\",\\\"recordType\\\":\\\"A\\\","
      "\\\"createdAt\\\":800000000,\\\"settledAt\\\":800000100}]\"\n")
# Orca at its defaults but for the echo of every key typed, which would only
# bury what the panel says.
write(f"{home}/.local/share/orca/user-settings.conf",
      '{"general": {"enableKeyEcho": false}, "pronunciations": {}, "keybindings": {},'
      ' "profiles": {"default": {"profile": ["Default", "default"], "enableKeyEcho": false,'
      ' "pronunciations": {}, "keybindings": {}}}}')
# Speech goes through speech-dispatcher and espeak-ng as on a desktop, but
# into libao's null device: the machine has no sound card.
write(f"{home}/.config/speech-dispatcher/speechd.conf", 'AudioOutputMethod "libao"\n')
write(f"{home}/.libao", "default_driver=null\n")
lab("set-a", "all", "a.example.test", "192.0.2.1")
lab("set-a", "all", "b.example.test", "192.0.2.2")
lab("set-a", "google", "b.example.test", "192.0.2.9")
lab("set-a", "all", "c.example.test", "192.0.2.3")

log_path = f"{home}/orca.log"
steps = []  # name, when it began, when it ended, what must be said


def step(name, action, must=(), wait=1.5, before=None):
    """Runs `before` unheard, then `action`; what Orca says until the next
    step begins is this step's. Orca writes its log in blocks, so the log is
    read once it has ended, by the times on its lines."""
    if steps:
        steps[-1][2] = time.time()
    if before:
        before()
        time.sleep(1.5)
    steps.append([name, time.time(), float("inf"), must])
    action()
    time.sleep(wait)


def transcript():
    with open(log_path, encoding="utf-8", errors="replace") as f:
        lines = re.findall(r"^(\d\d):(\d\d):(\d\d\.\d+) - SPEECH OUTPUT: '(.*?)'", f.read(), re.M)
    day = time.mktime(time.localtime()[:3] + (0, 0, 0, 0, 0, -1))
    said = [(day + int(h) * 3600 + int(m) * 60 + float(s), text) for h, m, s, text in lines]
    for name, begun, ended, must in steps:
        yield name, [text.strip() for when, text in said if begun <= when < ended], must


def open_panel():
    subprocess.run([QUELLO], env=env, timeout=15, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


try:
    start("/usr/libexec/at-spi-bus-launcher", "--launch-immediately")
    time.sleep(1)
    quello = start(QUELLO, stderr=open(f"{home}/quello.log", "w"))
    time.sleep(2)
    open_panel()
    time.sleep(1)

    # As when the screen reader is turned on after login: Quello and its
    # panel are up first.
    step("Orca starts while the panel is open",
         lambda: start("orca", "--debug-file", log_path),
         [r"Quello, .*1 propagating", r"^New watch"], wait=6)
    step("example.com FOO, Return", lambda: key("Return"), [r"^Not a valid watch"],
         before=lambda: type_text("example.com FOO"))
    # From here on Quello starts with the screen reader running.
    stop(quello)
    quello = start(QUELLO, stderr=open(f"{home}/quello.log", "a"))
    time.sleep(2)
    step("Quello started again, open the panel", open_panel, [r"^New watch"], wait=3)
    step("a.example.test A 192.0.2.1, Return", lambda: key("Return"),
         [r"^Added a\.example\.test, A"], before=lambda: type_text("a.example.test A 192.0.2.1"))
    step("Tab to the list", lambda: key("Tab"),
         [r"^b\.example\.test, A record, current value 192\.0\.2\.2, propagating",
          r"^1 of 3\. Shows the answer"])
    step("Return (expand)", lambda: key("Return"), [r"^expanded"])
    # The zone's servers first (the static lab has none to find), then the
    # four resolvers.
    step("Down into the details", lambda: key("Down"), [r"^Source, "])
    step("Down", lambda: key("Down"), [r"^This computer, 192\.0\.2\.2, agrees"])
    step("Down, Down", lambda: key("Down", "Down"), [r"^Google, 192\.0\.2\.9, disagrees"])
    step("Escape back to the row", lambda: key("Escape"), [r"^b\.example\.test"])
    step("Space (collapse)", lambda: key("space"), [r"^collapsed"])
    step("Down", lambda: key("Down"),
         [r"^c\.example\.test, A record, current value 192\.0\.2\.3, settled", r"^2 of 3"])
    step("Shift+F10", lambda: key("shift+F10"), [r"c\.example\.test, 3 items", r"^Check Now"])
    step("Escape, Tab to More actions, Return", lambda: key("Return"),
         [r"More actions, 2 items", r"^Check All Now\s+Ctrl\+R"],
         before=lambda: key("Escape", "Tab"))
    step("b settles while the field has focus",
         lambda: (lab("set-a", "google", "b.example.test", "192.0.2.2"), key("ctrl+r")),
         [r"b\.example\.test propagated"], wait=4, before=lambda: key("Escape", "Tab"))
    step("Escape closes the panel", lambda: key("Escape"))
    step("open the panel again", open_panel, [r"Quello, 3 records settled"], wait=3)
    steps[-1][2] = time.time()
finally:
    for process in reversed(started):
        stop(process)

failures = []
for name, said, must in transcript():
    print(f"{name}\n    -> " + ("\n    -> ".join(said) if said else "(nothing)"))
    missing = [m for m in must if not any(re.search(m, text) for text in said)]
    if missing:
        failures.append(f"{name}: {missing}")
if not TRANSCRIPT and failures:
    print("\nFAIL:\n" + "\n".join(failures))
    sys.exit(1)
if not os.environ.get("ORCASPEECH_KEEP"):
    shutil.rmtree(home, ignore_errors=True)
else:
    print("kept", home)
