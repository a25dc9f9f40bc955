"""Turns the samples inside.py wrote into the Markdown table of bench/RESULTS.md.

    report.py RESULTS.json MACHINE-LINE > table.md

Each row: the figure, Quello's median, the baseline's median from the same
run, their ratio or difference, the target and whether it is met.
"""

import json
import statistics
import sys

MIB = 1024.0


def median(values):
    return statistics.median(values) if values else None


def fmt(value, unit="", digits=1):
    if value is None:
        return "—"
    return f"{value:.{digits}f}{unit}"


def spread(values, unit="", digits=1):
    if not values:
        return "—"
    text = fmt(median(values), unit, digits)
    if len(values) > 1:
        text += f" ({fmt(min(values), '', digits)}–{fmt(max(values), '', digits)}, n={len(values)})"
    return text


class Table:
    def __init__(self):
        self.rows = []
        self.missed = []

    def add(self, item, figure, quello, baseline="—", relation="—", target="—", met=None):
        verdict = "—" if met is None else ("yes" if met else "**no**")
        if met is False:
            self.missed.append(f"{item}. {figure}")
        self.rows.append((item, figure, quello, baseline, relation, target, verdict))

    def markdown(self):
        head = ("| # | figure | Quello | baseline | ratio / difference | target | met |\n"
                "|---|---|---|---|---|---|---|\n")
        return head + "".join("| " + " | ".join(row) + " |\n" for row in self.rows)


def ratio(a, b):
    return None if a is None or not b else a / b


def build(results):
    t = Table()

    check = results.get("check")
    if check:
        store, floor = median(check["store_ms"]), median(check["floor_ms"])
        r = ratio(store, floor)
        t.add("1", "one check, four resolvers (ms)", spread(check["store_ms"]),
              "floor: " + spread(check["floor_ms"]), fmt(r, "×", 3), "≤ 1.05×",
              r is not None and r <= 1.05)

    for size, entry in (results.get("checkall") or {}).items():
        store, xargs = median(entry["store_ms"]), median(entry["xargs_ms"])
        r = ratio(store, xargs)
        t.add("2", f"checkAll, {size} watches (ms)", spread(entry["store_ms"], digits=0),
              "xargs -P48: " + spread(entry["xargs_ms"], digits=0), fmt(r, "×", 3), "≤ 1.15×",
              r is not None and r <= 1.15)
        bad = [f + e + m for f, e, m in zip(entry["failed"], entry["empty"], entry["missing"])]
        worst = max(bad) if bad else None
        xargs_failed = sum(1 for s in entry["xargs_status"] if s != 0)
        t.add("2", f"failed results, {size} watches (worst run, of {4 * int(size)})",
              f"{worst} (failed {max(entry['failed'], default=0)}, empty "
              f"{max(entry['empty'], default=0)}, missing {max(entry['missing'], default=0)})",
              f"xargs runs with a failed dig: {xargs_failed}", "—", "0",
              worst is not None and worst == 0)
        t.add("2", f"peak dig processes, {size} watches", str(entry["peak_running"]),
              "xargs: 48", "—", "≤ 48", entry["peak_running"] <= 48)
        t.add("2", f"peak open descriptors, {size} watches", str(entry["peak_fds"]),
              f"{entry['base_fds']} before the store", f"+{entry['peak_fds'] - entry['base_fds']}")

    for size, entry in (results.get("checkall_down") or {}).items():
        store, xargs = median(entry["store_ms"]), median(entry["xargs_ms"])
        t.add("2", f"checkAll, {size} watches, google stopped (ms)", spread(entry["store_ms"], digits=0),
              "xargs -P48: " + spread(entry["xargs_ms"], digits=0), fmt(ratio(store, xargs), "×", 3),
              f"failed = {size} (google's)",
              entry["failed"] and max(entry["failed"]) == int(size))

    for size, entry in (results.get("checkall_pending") or {}).items():
        base = (results.get("checkall") or {}).get(size, {}).get("xargs_ms")
        launch = median(entry["launch_ms"])
        t.add("2", f"first check of {size} pending watches, each settling and saving to INI (ms)",
              spread(entry["launch_ms"], digits=0),
              "xargs -P48: " + spread(base or [], digits=0), fmt(ratio(launch, median(base or [])), "×", 3),
              "(not a target)")

    idle = results.get("idle")
    if idle:
        window = idle["window_s"]
        q, b = idle["quello"], idle["bare"]
        per_min = 60.0 / window
        qcpu, bcpu = q["run_s"] * 1000, b["run_s"] * 1000
        r = ratio(qcpu, bcpu)
        # The kernel's tick-based utime+stime is too coarse for idle programs;
        # schedstat has nanoseconds. Both are shown. A bare program that never
        # ran has no ratio: then the difference is shown.
        relation = fmt(r, "×", 2) if r is not None else f"{qcpu - bcpu:+.2f} ms"
        t.add("3", f"idle CPU over {window:.0f} s, 100 settled watches (ms)",
              f"{qcpu:.2f} (utime+stime {q['cpu_s'] * 1000:.0f})",
              f"bare tray: {bcpu:.2f} (utime+stime {b['cpu_s'] * 1000:.0f})",
              relation, "≤ 1.1×", qcpu <= 1.1 * bcpu)
        qw, bw = q["voluntary"] * per_min, b["voluntary"] * per_min
        t.add("3", "idle wake-ups per minute (voluntary switches, all threads)",
              f"{qw:.1f} (main thread {q['main_voluntary'] * per_min:.1f}, {q['threads']} threads)",
              f"bare tray: {bw:.1f} (main thread {b['main_voluntary'] * per_min:.1f}, "
              f"{b['threads']} threads)",
              f"{qw - bw:+.1f}/min", "≤ +3/min", qw - bw <= 3)
        t.add("3", "dig children during the idle window", str(idle["digs_during_window"]),
              "—", "—", "0", idle["digs_during_window"] == 0)

    memory = results.get("memory")
    if memory and "bare" in memory:
        bare = memory["bare"]
        for key in ("quello_0", "quello_100", "quello_1000"):
            if key not in memory:
                continue
            m = memory[key]
            watches = key.split("_")[1]
            diff = (m["rss"] - bare["rss"]) / MIB
            # The target is in decimal megabytes: 10 MB is 9.54 MiB.
            met = (m["rss"] - bare["rss"]) * 1024 <= 10_000_000 if watches == "1000" else None
            t.add("4", f"memory, {watches} watches (MiB): RSS / PSS / USS",
                  f"{m['rss'] / MIB:.1f} / {m['pss'] / MIB:.1f} / {m['uss'] / MIB:.1f}",
                  f"bare tray: {bare['rss'] / MIB:.1f} / {bare['pss'] / MIB:.1f} / "
                  f"{bare['uss'] / MIB:.1f}",
                  f"RSS {diff:+.1f} MiB", "≤ +10 MB (9.54 MiB)" if met is not None else "—", met)

    startup = results.get("startup")
    if startup:
        bare = median(startup["bare"])
        for key, label in (("quello_0", "0 watches"), ("quello_100", "100 watches")):
            r = ratio(median(startup[key]), bare)
            t.add("5", f"start to tray icon embedded, {label} (ms)", spread(startup[key]),
                  "bare tray: " + spread(startup["bare"]), fmt(r, "×", 2), "≤ 1.2×",
                  r is not None and r <= 1.2)

    panel = results.get("panel")
    if panel and panel.get("open_ms"):
        opens, built = panel["open_ms"], panel.get("construct_ms", [])
        t.add("6", "open the panel, 500 watches: build + show, first (cold) open (ms)",
              f"{fmt(opens[0])} (constructor {fmt(built[0] if built else None)})",
              "—", "—", "≤ 100 ms", opens[0] <= 100)
        if len(opens) > 1:
            t.add("6", "open the panel, 500 watches: build + show, later opens (ms)",
                  f"{spread(opens[1:])} (constructor {fmt(median(built[1:]))})",
                  "—", "—", "≤ 100 ms", median(opens[1:]) <= 100)
        if panel.get("reshow_ms"):
            t.add("6", "show the built panel again, 500 watches (ms)", spread(panel["reshow_ms"]),
                  "—", "—", "≤ 100 ms", median(panel["reshow_ms"]) <= 100)
        if panel.get("open_rss_kib"):
            t.add("6", "resident memory added by the first panel, 500 watches (MiB)",
                  fmt(panel["open_rss_kib"][0] / MIB))
    if panel and panel.get("update_ms"):
        u = median(panel["update_ms"])
        t.add("6", "apply one result update, 500 watches (ms)", spread(panel["update_ms"], digits=2),
              "—", "—", "≤ 2 ms", u <= 2)

    world = results.get("world")
    if world and world.get("runs"):
        runs, ttl, stagger = world["runs"], world["ttl"], world["stagger"]
        primed = "/".join(f"{i * stagger:g}" for i in range(4))
        lags = [r["lag_s"] for r in runs]
        lag = median(lags)
        t.add("7", f"last cache's expiry to the settle notification, TTL {ttl} s, caches filled "
              f"at {primed} s (s)", spread(lags, digits=2), "before: 30.6 and 37.7 (two runs)",
              "—", "≤ 2 s", lag is not None and lag <= 2)
        digs, fixed = [r["digs"] for r in runs], [r["fixed_digs"] for r in runs]
        r = ratio(median(digs), median(fixed))
        t.add("7", "dig runs for that propagation", spread(digs, digits=0),
              "fixed one-minute schedule: " + spread(fixed, digits=0), fmt(r, "×", 2), "≤ 1×",
              r is not None and r <= 1)
        most = max(r["notifications"] for r in runs)
        t.add("7", "settle notifications per propagation (most in a run)", str(most), "—", "—",
              "1", most == 1)
    return t


def main():
    with open(sys.argv[1]) as f:
        results = json.load(f)
    # --merge OLD.json: items this run did not measure are taken from OLD.
    if len(sys.argv) > 3 and sys.argv[2] == "--merge":
        try:
            with open(sys.argv[3]) as f:
                old = json.load(f)
        except (OSError, ValueError):
            old = {}
        stamps = results.setdefault("measured_at", {})
        for key, value in old.items():
            if key in ("options", "failures", "measured_at") or key in results:
                continue
            results[key] = value
            stamps[key] = (old.get("measured_at") or {}).get(key, "an earlier run")
        with open(sys.argv[1], "w") as f:
            json.dump(results, f, indent=1)
    table = build(results)
    out = [table.markdown()]
    options = results.get("options", {})
    out.append(f"\nOptions: rounds {options.get('rounds')}, start-up rounds "
               f"{options.get('startup_rounds')}, idle window {options.get('idle')} s, "
               f"sizes {options.get('sizes')}, items {options.get('only')}. "
               "Times are medians with (min–max, n).\n")
    if table.missed:
        out.append("\nMissed targets: " + "; ".join(table.missed) + ".\n")
    else:
        out.append("\nEvery measured target is met.\n")
    stamps = sorted(set((results.get("measured_at") or {}).values()))
    if len(stamps) > 1:
        by_stamp = {}
        for key, stamp in results["measured_at"].items():
            by_stamp.setdefault(stamp, []).append(key)
        out.append("\nMerged from several runs: " + "; ".join(
            f"{', '.join(sorted(keys))} at {stamp}" for stamp, keys in sorted(by_stamp.items()))
            + ".\n")
    for failure in results.get("failures", []):
        out.append(f"\nItem not measured — {failure}\n")
    sys.stdout.write("".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
