"""The measuring half of bench/run. Runs inside the DNS lab and the virtual desktop
(`dnslab run -- desktop-session -- inside.py ...`) and writes every raw sample
as JSON; report.py turns that into the table.

Each figure is taken in the same run as its baseline, alternating the two in
rounds, so that a busy machine slows both alike.
"""

import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import trayprobe  # noqa: E402

DIG = "/usr/bin/dig"
SERVERS = [None, "1.1.1.1", "8.8.8.8", "9.9.9.9"]
TICKS = os.sysconf("SC_CLK_TCK")


def log(*parts):
    print("bench:", *parts, file=sys.stderr, flush=True)


def lab(*args):
    subprocess.run([os.environ["DNSLAB"], *args], check=True, stdout=subprocess.DEVNULL)


def parse_lines(text):
    """'key value' lines -> {key: [float, ...]}"""
    figures = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 2:
            try:
                figures.setdefault(parts[0], []).append(float(parts[1]))
            except ValueError:
                pass
    return figures


def run_program(argv, timeout=3600):
    done = subprocess.run(argv, capture_output=True, text=True, timeout=timeout)
    if done.returncode != 0:
        raise RuntimeError(f"{argv[0]} failed ({done.returncode}): {done.stderr[-2000:]}")
    return parse_lines(done.stdout)


# --- /proc -------------------------------------------------------------------

def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # Fields 14 and 15 (utime, stime) count from 1 with pid and comm before ")".
    return (int(fields[11]) + int(fields[12])) / TICKS


def thread_counters(pid):
    """{tid: (ns on the CPU, voluntary switches, involuntary switches)} for every thread."""
    counters = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                run = int(f.read().split()[0])
            voluntary = involuntary = 0
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches:"):
                        voluntary = int(line.split()[1])
                    elif line.startswith("nonvoluntary_ctxt_switches:"):
                        involuntary = int(line.split()[1])
            counters[int(tid)] = (run, voluntary, involuntary)
        except (FileNotFoundError, ProcessLookupError):
            pass
    return counters


class ThreadTally:
    """Counts what every thread of a process did between start() and the last
    sample(). Threads come and go (Qt's pool retires idle ones), so each is
    followed on its own: a thread that appears counts from zero, one that ends
    keeps what it had at the last sample before it ended."""

    def __init__(self, pid):
        self.pid = pid
        self.first = thread_counters(pid)
        self.last = dict(self.first)

    def sample(self):
        for tid, values in thread_counters(self.pid).items():
            self.last[tid] = values

    def totals(self):
        run = voluntary = involuntary = 0
        for tid, (r, v, i) in self.last.items():
            r0, v0, i0 = self.first.get(tid, (0, 0, 0))
            run, voluntary, involuntary = run + r - r0, voluntary + v - v0, involuntary + i - i0
        main = self.last[self.pid][1] - self.first[self.pid][1]
        return {"run_s": run / 1e9, "voluntary": voluntary, "involuntary": involuntary,
                "main_voluntary": main, "threads_seen": len(self.last)}


def memory_kib(pid):
    figures = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                figures["rss"] = int(line.split()[1])
    private = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key == "Pss":
                figures["pss"] = int(rest.split()[0])
            elif key in ("Private_Clean", "Private_Dirty"):
                private += int(rest.split()[0])
    figures["uss"] = private
    return figures


def children(pid):
    found = []
    try:
        for tid in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{tid}/children") as f:
                found.extend(int(c) for c in f.read().split())
    except FileNotFoundError:
        pass
    return found


def digs_running():
    """dig processes anywhere in the lab's PID namespace."""
    count = 0
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/comm") as f:
                    if f.read().strip() == "dig":
                        count += 1
            except OSError:
                pass
    return count


def wait_for_quiet(timeout=30.0):
    """Waits until no dig runs, e.g. orphans of a program that was just stopped."""
    end = time.monotonic() + timeout
    while digs_running() and time.monotonic() < end:
        time.sleep(0.05)


def wait_checks_done(pid, quiet=1.5, timeout=900.0):
    """Waits until `pid` has run dig children and then had none for `quiet` seconds."""
    start = time.monotonic()
    seen = False
    quiet_since = None
    while time.monotonic() - start < timeout:
        if children(pid):
            seen = True
            quiet_since = None
        elif not seen and time.monotonic() - start > 30:
            raise RuntimeError(f"process {pid} ran no dig within 30 s: did it load its list?")
        elif seen:
            quiet_since = quiet_since or time.monotonic()
            if time.monotonic() - quiet_since >= quiet:
                return time.monotonic() - start
        time.sleep(0.02)
    raise RuntimeError(f"process {pid} is still checking after {timeout} s")


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


# --- the programs ------------------------------------------------------------

class Bench:
    def __init__(self, args):
        self.args = args
        self.bin = os.path.join(args.build, "bench")
        self.quello = os.path.join(args.build, "src", "quello")
        self.tmp = tempfile.mkdtemp(prefix="quello-bench.")
        self.results = {"options": vars(args)}
        self.profiles = {}

    def program(self, name):
        return os.path.join(self.bin, name)

    def profile(self, watches):
        """An environment whose Quello settings hold `watches` settled watches."""
        if watches in self.profiles:
            return self.profiles[watches]
        home = os.path.join(self.tmp, f"profile-{watches}")
        config = os.path.join(home, "config")
        runtime = os.path.join(home, "run")
        os.makedirs(config)
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
                   QT_QPA_PLATFORM="xcb")
        if watches:
            done = subprocess.run([self.program("quello_bench_store"), "write-settings",
                                   str(watches)], env=env, capture_output=True, text=True)
            if done.returncode != 0 or not os.listdir(config):
                raise RuntimeError(f"could not write the watch list: {done.stderr}")
        self.profiles[watches] = env
        return env

    def launch(self, argv, env):
        return subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # 1 ---------------------------------------------------------------------
    def one_check(self):
        rounds = self.args.rounds
        floor, store = [], []
        for r in range(rounds):
            pair = [("floor", [self.program("quello_bench_floor"), "--repeat", "10"]),
                    ("store", [self.program("quello_bench_store"), "check", "--repeat", "10"])]
            if r % 2:
                pair.reverse()
            for name, argv in pair:
                figures = run_program(argv)
                (floor if name == "floor" else store).extend(figures["check_ms"])
                if name == "floor" and figures.get("failed", [0])[0]:
                    log("floor: failed digs", figures["failed"])
        self.results["check"] = {"floor_ms": floor, "store_ms": store}
        log("one check: floor", statistics.median(floor), "store", statistics.median(store))

    # 2 ---------------------------------------------------------------------
    def command_file(self, watches):
        path = os.path.join(self.tmp, f"digs-{watches}")
        with open(path, "w") as f:
            for i in range(1, watches + 1):
                for server in SERVERS:
                    at = f"@{server} " if server else ""
                    f.write(f"-r +time=3 +tries=1 +noall +comments +answer +authority "
                            f"{at}w{i}.example.test A\n")
        return path

    def xargs(self, watches):
        commands = self.command_file(watches)
        with open(commands) as stdin:
            start = time.monotonic()
            done = subprocess.run(["xargs", "-P48", "-L1", DIG], stdin=stdin,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            took = (time.monotonic() - start) * 1000
        return took, done.returncode

    def store_checkall(self, watches, pending=False):
        argv = [self.program("quello_bench_store"), "checkall", "--watches", str(watches),
                "--repeat", "0"]
        if pending:
            argv.append("--pending-launch")
        return run_program(argv)

    def check_all(self):
        entries = {}
        for watches in self.args.sizes:
            rounds = self.args.rounds if watches <= 100 else max(1, self.args.rounds // 2)
            entry = {"xargs_ms": [], "xargs_status": [], "store_ms": [], "failed": [],
                     "empty": [], "missing": [], "peak_running": 0, "peak_fds": 0,
                     "base_fds": 0}
            for r in range(rounds):
                order = ["xargs", "store"] if r % 2 == 0 else ["store", "xargs"]
                for name in order:
                    if name == "xargs":
                        took, status = self.xargs(watches)
                        entry["xargs_ms"].append(took)
                        entry["xargs_status"].append(status)
                    else:
                        figures = self.store_checkall(watches)
                        entry["store_ms"].extend(figures["checkall_ms"])
                        for key in ("failed", "empty", "missing"):
                            entry[key].extend(int(v) for v in figures[key])
                        for key in ("peak_running", "peak_fds", "base_fds"):
                            entry[key] = max(entry[key], int(figures[key][0]))
                    wait_for_quiet()
                log(f"checkAll {watches}, round {r + 1}/{rounds}:",
                    f"xargs {entry['xargs_ms'][-1]:.0f} ms, store {entry['store_ms'][-1]:.0f} ms")
            entries[str(watches)] = entry

        # One resolver gone: its port is closed and dig fails at once.
        down = {}
        lab("stop", "google")
        try:
            for watches in self.args.sizes:
                figures = self.store_checkall(watches)
                took, status = self.xargs(watches)
                down[str(watches)] = {"store_ms": figures["checkall_ms"],
                                      "failed": [int(v) for v in figures["failed"]],
                                      "xargs_ms": [took], "xargs_status": [status]}
                log(f"checkAll {watches} with google stopped: store "
                    f"{figures['checkall_ms'][0]:.0f} ms, xargs {took:.0f} ms")
        finally:
            lab("start", "google")

        # A first launch over pending watches: every one settles and saves the list.
        pending = {}
        watches = max(self.args.sizes)
        figures = self.store_checkall(watches, pending=True)
        pending[str(watches)] = {"launch_ms": figures["launch_ms"],
                                 "failed": [int(v) for v in figures.get("failed", [])]}
        log(f"launch over {watches} pending watches: {figures['launch_ms'][0]:.0f} ms")
        self.results["checkall"] = entries
        self.results["checkall_down"] = down
        self.results["checkall_pending"] = pending

    # 3 and 4 ---------------------------------------------------------------
    def idle_and_memory(self):
        window = self.args.idle
        quello = self.launch([self.quello], self.profile(100))
        bare = self.launch([self.program("quello_bench_tray")], self.profile(0))
        try:
            settle = wait_checks_done(quello.pid)
            time.sleep(1.0)
            cpu0 = {p.pid: cpu_seconds(p.pid) for p in (quello, bare)}
            tallies = {p.pid: ThreadTally(p.pid) for p in (quello, bare)}
            start = time.monotonic()
            digs_seen = 0
            while time.monotonic() - start < window:
                time.sleep(min(0.5, max(0.0, window - (time.monotonic() - start))))
                digs_seen = max(digs_seen, len(children(quello.pid)))
                for tally in tallies.values():
                    tally.sample()
            elapsed = time.monotonic() - start
            idle = {"window_s": elapsed, "launch_checks_s": settle,
                    "digs_during_window": digs_seen}
            for name, proc in (("quello", quello), ("bare", bare)):
                if proc.poll() is not None:
                    raise RuntimeError(f"{name} ended during the idle window")
                idle[name] = dict(tallies[proc.pid].totals(),
                                  cpu_s=cpu_seconds(proc.pid) - cpu0[proc.pid],
                                  threads=len(os.listdir(f"/proc/{proc.pid}/task")))
            memory = {"quello_100": memory_kib(quello.pid), "bare": memory_kib(bare.pid)}
        finally:
            stop(quello)
            stop(bare)
        wait_for_quiet()
        self.results["idle"] = idle
        log("idle:", json.dumps(idle))

        for watches in (0, 1000):
            proc = self.launch([self.quello], self.profile(watches))
            try:
                if watches:
                    wait_checks_done(proc.pid)
                time.sleep(3.0)
                if proc.poll() is not None:
                    raise RuntimeError(f"quello with {watches} watches ended")
                memory[f"quello_{watches}"] = memory_kib(proc.pid)
            finally:
                stop(proc)
            wait_for_quiet()
        self.results["memory"] = memory
        log("memory:", json.dumps(memory))

    # 5 ---------------------------------------------------------------------
    def startup(self):
        samples = {"bare": [], "quello_0": [], "quello_100": []}
        programs = [("bare", [self.program("quello_bench_tray")], 0),
                    ("quello_0", [self.quello], 0),
                    ("quello_100", [self.quello], 100)]
        for r in range(self.args.startup_rounds):
            order = programs if r % 2 == 0 else list(reversed(programs))
            for name, argv, watches in order:
                seconds, proc = trayprobe.time_to_tray(argv, env=self.profile(watches))
                stop(proc)
                wait_for_quiet()
                time.sleep(0.3)
                if seconds is None:
                    raise RuntimeError(f"{name}: no tray icon appeared")
                samples[name].append(seconds * 1000)
        self.results["startup"] = samples
        log("startup:", {k: round(statistics.median(v), 1) for k, v in samples.items()})

    # 6 ---------------------------------------------------------------------
    def panel(self):
        program = self.program("quello_bench_panel")
        if not os.path.exists(program):
            log("panel: quello_bench_panel was not built (no quello_ui); skipped")
            return
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        done = subprocess.run([program, "--watches", "500", "--opens", str(self.args.panel_opens),
                               "--updates", "40"], capture_output=True, text=True, env=env,
                              timeout=1800)
        if done.returncode != 0:
            raise RuntimeError(f"panel bench failed: {done.stderr[-2000:]}")
        figures = parse_lines(done.stdout)
        self.results["panel"] = {key: figures.get(key, []) for key in
                                 ("open_ms", "construct_ms", "open_rss_kib", "reshow_ms",
                                  "update_ms")}
        log("panel:", {k: round(statistics.median(v), 2)
                       for k, v in self.results["panel"].items() if v})


# 7 ---------------------------------------------------------------------------
# In the caching world (Knot and Unbound, tests/dnslab --world caching).

def lab_output(*args):
    return subprocess.run([os.environ["DNSLAB"], *args], check=True, capture_output=True,
                          text=True).stdout.strip()


def sleep_until(moment):
    time.sleep(max(0.0, moment - time.time()))


class Propagation:
    """One propagation as a user meets it: a record whose four caches were
    filled at staggered moments changes; the tray app, started after the
    change with the new value expected, has to notice when the last cache
    lets go of the old value."""

    RESOLVERS = ["system", "cloudflare", "google", "quad9"]

    def __init__(self, bench, run, ttl, stagger):
        self.bench, self.ttl, self.stagger = bench, ttl, stagger
        self.name = f"run{run}.example.test"

    def notifications(self, path):
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return [line.rstrip("\n").split("\t") for line in f if line.strip()]

    def measure(self, notes):
        lab("reset")
        lab("set", "all", self.name, "A", str(self.ttl), "192.0.2.1")
        start = time.time()
        primed = {}
        for i, resolver in enumerate(self.RESOLVERS):
            sleep_until(start + i * self.stagger)
            lab("prime", resolver, self.name)
            primed[resolver] = time.time()
        lab("set", "all", self.name, "A", str(self.ttl), "192.0.2.2")
        # What each cache says is left, read without asking it.
        left = {r: int(lab_output("ttl", r, self.name) or -1) for r in self.RESOLVERS}
        # The last cache lets go of the old value at the whole second after
        # its TTL has run out (the resolver counts whole seconds of the wall
        # clock); read within one second, that moment is exact.
        last = self.RESOLVERS[-1]
        expired = None
        while expired is None:
            before = int(time.time())
            remaining = int(lab_output("ttl", last, self.name))
            if int(time.time()) == before:
                expired = before + remaining + 1

        env = dict(self.bench.profile(0))
        config = tempfile.mkdtemp(prefix="world-", dir=self.bench.tmp)
        env["XDG_CONFIG_HOME"] = config
        done = subprocess.run([self.bench.program("quello_bench_store"), "write-settings", "1",
                               "--pending", "--domain", self.name, "--expected", "192.0.2.2"],
                              env=env, capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError(f"could not write the watch: {done.stderr}")
        seen_before = len(self.notifications(notes))
        launched = time.time()
        quello = self.bench.launch([self.bench.quello], env)
        digs = set()
        notified = None
        deadline = expired + 150
        try:
            while time.time() < deadline:
                digs.update(children(quello.pid))
                fresh = self.notifications(notes)[seen_before:]
                if fresh:
                    notified = float(fresh[0][0])
                    time.sleep(3.0)  # a second notification would come now
                    fresh = self.notifications(notes)[seen_before:]
                    break
                if quello.poll() is not None:
                    raise RuntimeError("quello ended during the propagation")
                time.sleep(0.01)
        finally:
            stop(quello)
            wait_for_quiet()
        if notified is None:
            raise RuntimeError(f"{self.name}: no settle notification")
        # Today's schedule: the launch check, then one every minute until
        # the first that comes after the last cache has expired.
        checks = 1 + -(-(expired - launched) // 60)
        return {"lag_s": notified - expired, "digs": len(digs), "fixed_digs": 4 * int(checks),
                "notifications": len(fresh), "left_s": left,
                "launch_after_last_prime_s": launched - primed[last],
                "expired_after_last_prime_s": expired - primed[last]}


def world(bench):
    notes = os.path.join(bench.tmp, "notifications")
    # The system's Python: python3-dbus and python3-gi belong to it.
    server = subprocess.Popen(["/usr/bin/python3",
                               os.path.join(os.path.dirname(__file__), "notifyserver.py"), notes],
                              stdout=subprocess.PIPE, text=True)
    try:
        if server.stdout.readline().strip() != "ready":
            raise RuntimeError("the notification server did not start")
        runs = []
        for run in range(1, bench.args.world_runs + 1):
            figures = Propagation(bench, run, bench.args.world_ttl,
                                  bench.args.world_stagger).measure(notes)
            runs.append(figures)
            log(f"propagation {run}/{bench.args.world_runs}:", json.dumps(figures))
    finally:
        stop(server)
    bench.results["world"] = {"ttl": bench.args.world_ttl, "stagger": bench.args.world_stagger,
                              "runs": runs}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--startup-rounds", type=int, default=7)
    parser.add_argument("--panel-opens", type=int, default=5)
    parser.add_argument("--idle", type=float, default=120)
    parser.add_argument("--sizes", type=lambda s: [int(x) for x in s.replace(",", " ").split()],
                        default=[100, 1000])
    parser.add_argument("--only", default="check,checkall,idle,startup,panel")
    parser.add_argument("--world-runs", type=int, default=5)
    parser.add_argument("--world-ttl", type=int, default=120)
    parser.add_argument("--world-stagger", type=float, default=20)
    args = parser.parse_args()

    if "DNSLAB" not in os.environ or "DISPLAY" not in os.environ:
        sys.exit("inside.py runs inside the DNS lab and the desktop session (use bench/run)")

    bench = Bench(args)
    if os.environ.get("DNSLAB_WORLD") == "caching":
        steps = {"world": lambda: world(bench)}
    else:
        lab("wild-a", "all", "example.test", "192.0.2.1")
        steps = {"check": bench.one_check, "checkall": bench.check_all,
                 "idle": bench.idle_and_memory, "startup": bench.startup, "panel": bench.panel}
    wanted = [s.strip() for s in args.only.split(",") if s.strip()]
    failures = []
    try:
        for name in wanted:
            if name not in steps:
                sys.exit(f"unknown item {name}; known: {', '.join(steps)}")
            log(f"--- {name}")
            started = time.monotonic()
            try:
                steps[name]()
            except Exception as error:  # one broken item must not lose the others
                failures.append(f"{name}: {error}")
                log(f"{name} FAILED: {error}")
            log(f"{name} took {time.monotonic() - started:.0f} s")
    finally:
        stamp = time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())
        bench.results["measured_at"] = {key: stamp for key in bench.results
                                        if key not in ("options",)}
        bench.results["failures"] = failures
        with open(args.out, "w") as f:
            json.dump(bench.results, f, indent=1)
        shutil.rmtree(bench.tmp, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
