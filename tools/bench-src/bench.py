#!/usr/bin/env python3
"""tools/bench's measuring and table. Runs probe.exe under Wine for the timings, in two Wine
prefixes of the bench's own: one without a sound driver, and one with the pulse driver playing
into a private PulseAudio server's null sink (as the audio test does), so that the sound path is
measured as a user's machine has it. Memory and idle wake-ups are read from the Linux processes.

    bench.py BUILD_FOLDER WINE_RUN CACHE_FOLDER

DAWNBELL_BENCH_SERIES and DAWNBELL_BENCH_ROUNDS set how many series of how many rounds each
timing takes (3 and 7). Every exit, an interrupted one too, ends the programs, removes their
settings and alarms and stops the sound server.
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

build, wine_run, cache = sys.argv[1:4]
top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(top, "tests", "audio"))
from ring_heard import start_server  # noqa: E402

SERIES = int(os.environ.get("DAWNBELL_BENCH_SERIES", "3"))
ROUNDS = int(os.environ.get("DAWNBELL_BENCH_ROUNDS", "7"))
IDLE_SECONDS = 60
SAMPLE = 0.02
EFFECTS = ((0, "no volume effect"), (1, '"MAX Volume"'))


class Prefix:
    def __init__(self, name, label, env):
        self.name, self.label, self.env = name, label, env
        self.path = env["DAWNBELL_WINEPREFIX"]
        self.used = False

    def probe(self, *args, quiet=False):
        self.used = True
        command = [wine_run, os.path.join(build, "probe.exe")] + [str(a) for a in args]
        if quiet:
            # The programs it leaves running would hold a captured output open.
            subprocess.run(command, cwd=build, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
            return []
        # Into a file, not a pipe: a Wine server started by this call keeps a pipe open.
        with tempfile.TemporaryFile("w+") as output:
            subprocess.run(command, cwd=build, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=output, stderr=subprocess.DEVNULL, timeout=1800)
            output.seek(0)
            lines = output.read().splitlines()
        for line in lines:
            if line.startswith("error"):
                print("probe %s: %s" % (" ".join(map(str, args)), line), file=sys.stderr)
        return lines

    def rounds(self, *args):
        """The probe's rounds as dicts of milliseconds; a round with a failed start is left out."""
        out = []
        for line in self.probe(*args):
            if not line.startswith("round "):
                continue
            values = dict((k, float(v)) for k, v in (p.split("=") for p in line.split()[2:]))
            if min(values.values()) < 0:
                print("probe %s: a start failed in %s" % (args, line), file=sys.stderr)
                continue
            out.append(values)
        return out


def series(prefix, what, effect):
    return [prefix.rounds(what, effect, ROUNDS) for _ in range(SERIES)]


class Compared:
    """Dawnbell against a yardstick over several series: the median of each series' per-round
    ratios, their median and spread, and the median times."""

    def __init__(self, all_series, ours, theirs):
        medians = [statistics.median(r[ours] / r[theirs] for r in s) for s in all_series if s]
        everything = [r for s in all_series for r in s]
        self.ok = bool(medians)
        if self.ok:
            self.ratio = statistics.median(medians)
            self.low, self.high = min(medians), max(medians)
            self.ours = statistics.median(r[ours] for r in everything)
            self.theirs = statistics.median(r[theirs] for r in everything)


def processes(prefix, exe):
    """Linux pids of the Wine processes of `exe` in `prefix`."""
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv0 = f.read().split(b"\0")[0].decode(errors="replace")
            with open("/proc/%s/environ" % pid, "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if argv0.lower().endswith("\\" + exe) and ("WINEPREFIX=" + prefix.path).encode() in environ:
            pids.append(int(pid))
    return pids


def switches(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def private_kb(pid):
    with open("/proc/%d/smaps_rollup" % pid) as f:
        return sum(int(line.split()[1]) for line in f
                   if line.startswith(("Private_Clean", "Private_Dirty")))


def idle(watched):
    """Wake-ups a minute (sample periods in which the process ran at all) and CPU share."""
    last = {n: switches(p) for n, p in watched.items()}
    ticks = {n: cpu_ticks(p) for n, p in watched.items()}
    wakes = {n: 0 for n in watched}
    end = time.time() + IDLE_SECONDS
    while time.time() < end:
        time.sleep(SAMPLE)
        for n, p in watched.items():
            now = switches(p)
            wakes[n] += now != last[n]
            last[n] = now
    hertz = os.sysconf("SC_CLK_TCK")
    return {n: (wakes[n] * 60 / IDLE_SECONDS,
                (cpu_ticks(p) - ticks[n]) / hertz / IDLE_SECONDS * 100) for n, p in watched.items()}


def residents(prefix, with_idle):
    """Private memory of the resident Dawnbell and the idle yardstick, never rung and after one
    ring, and (if asked) their idle wake-ups before the ring."""
    prefix.probe("resident", 0, quiet=True)
    time.sleep(2)
    pids = {"dawnbell": processes(prefix, "dawnbell.exe"),
            "yardstick": processes(prefix, "ring_window.exe"),
            "service": processes(prefix, "dawnbell_runat.exe")}
    if not pids["dawnbell"] or not pids["yardstick"]:
        print("bench: the resident programs did not start", file=sys.stderr)
        return None
    pids = {n: p[0] for n, p in pids.items() if p}
    result = {"never": {n: private_kb(p) for n, p in pids.items()}}
    if with_idle:
        result["idle"] = idle(pids)
    prefix.probe("ring-residents")
    time.sleep(2)
    result["rung"] = {n: private_kb(p) for n, p in pids.items()}
    prefix.probe("cleanup")
    return result


def ratio(a, b):
    return "%.2fx" % (a / b) if a > 0 and b > 0 else "-"


def timing_rows(rows, prefix, what, title, yardsticks):
    for effect, effect_label in EFFECTS:
        all_series = series(prefix, what, effect)
        for key, label, goal in yardsticks:
            c = Compared(all_series, "dawnbell", key)
            if not c.ok:
                rows.append((title % effect_label, prefix.label, "-", label, "-", "-"))
                continue
            verdict = "-"
            if goal:
                verdict = "%s (at most %.2fx)" % ("met" if c.ratio <= goal else "NOT met", goal)
            rows.append((title % effect_label, prefix.label, "%.0f ms" % c.ours,
                         "%s: %.0f ms" % (label, c.theirs),
                         "%.2fx (%.2f-%.2f)" % (c.ratio, c.low, c.high), verdict))


def main(prefixes):
    rows = []
    extra = []
    for prefix in prefixes:
        timing_rows(rows, prefix, "ring", "AppRunAtTime start to ring shown, %s", (
            ("template", "the ring window on Dawnbell's template", 1.2),
            ("plain", "the ring window of its own class", None)))
        timing_rows(rows, prefix, "handover", "second start's hand-over (start to end), %s", (
            ("minimal", "protocol-minimal hand-over", 1.2),
            ("bare", "bare find-and-send", None)))
    for prefix in prefixes:
        r = residents(prefix, with_idle=prefix is prefixes[0])
        if not r:
            continue
        never, rung = r["never"], r["rung"]
        ok = never["dawnbell"] <= 1.15 * never["yardstick"]
        rows.append(("private memory, resident, armed, hidden, never rung", prefix.label,
                     "%d KB" % never["dawnbell"],
                     "plain window with the same resources: %d KB" % never["yardstick"],
                     ratio(never["dawnbell"], never["yardstick"]),
                     "%s (at most 1.15x)" % ("met" if ok else "NOT met")))
        rows.append(("private memory, the same after one ring", prefix.label,
                     "%d KB" % rung["dawnbell"], "the same after one ring: %d KB" % rung["yardstick"],
                     ratio(rung["dawnbell"], rung["yardstick"]), "reported"))
        if "idle" in r:
            i = r["idle"]
            extra.append(("idle wake-ups a minute, resident (hidden, armed) / service",
                          "%.0f / %.0f" % (i["dawnbell"][0], i.get("service", (0, 0))[0]),
                          "%.0f" % i["yardstick"][0]))
            extra.append(("idle CPU, resident / service",
                          "%.3f %% / %.3f %%" % (i["dawnbell"][1], i.get("service", (0, 0))[1]),
                          "%.3f %%" % i["yardstick"][1]))
    dialog = prefixes[0].rounds("dialog", ROUNDS)
    if dialog:
        extra.append(("settings dialog open (median of %d)" % len(dialog),
                      "%.0f ms" % statistics.median(r["dialog"] for r in dialog), "-"))
    size = lambda exe: os.path.getsize(os.path.join(build, exe)) / 1024
    extra.append(("exe size, dawnbell.exe / dawnbell_runat.exe",
                  "%.0f KB / %.0f KB" % (size("dawnbell.exe"), size("dawnbell_runat.exe")),
                  "%.0f KB" % size("ring_window.exe")))

    print("Timings: the median of %d series' medians of per-round ratios, %d rounds each, the "
          "spread of the series in brackets." % (SERIES, ROUNDS))
    print()
    print("| measure | sound | Dawnbell | yardstick | ratio (spread) | goal |")
    print("|---|---|---|---|---|---|")
    for row in rows:
        print("| %s |" % " | ".join(row))
    print()
    print("| measure | Dawnbell | ring window yardstick |")
    print("|---|---|---|")
    for row in extra:
        print("| %s |" % " | ".join(row))


def run():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    runtime = tempfile.mkdtemp(prefix="dawnbell-bench-pulse-")
    pulse_env = {k: v for k, v in os.environ.items() if not k.startswith("PULSE_")}
    pulse_env.update(XDG_RUNTIME_DIR=runtime, HOME=runtime, PULSE_RUNTIME_PATH=runtime,
                     PULSE_STATE_PATH=runtime)
    server = None
    prefixes = []
    try:
        silent = dict(os.environ, DAWNBELL_WINE_MODE="test",
                      DAWNBELL_WINEPREFIX=os.path.join(cache, "wine-bench"))
        prefixes.append(Prefix("silent", "no sound driver", silent))
        server, address = start_server(runtime, pulse_env)
        with open(os.path.join(build, "bench-pulse.pid"), "w") as f:
            f.write(str(server.pid))
        audio = dict(pulse_env, PULSE_SERVER=address, DAWNBELL_WINE_MODE="audio",
                     HOME=os.environ.get("HOME", runtime),
                     DAWNBELL_WINEPREFIX=os.path.join(cache, "wine-bench-audio"))
        prefixes.append(Prefix("audio", "pulse, null sink", audio))
        main(prefixes)
    finally:
        for prefix in prefixes:
            if prefix.used:
                try:
                    prefix.probe("cleanup")
                except Exception as e:  # the clean-up of the others still runs
                    print("bench: clean-up in %s failed: %s" % (prefix.path, e), file=sys.stderr)
        if server:
            server.terminate()
            server.wait(5)
        shutil.rmtree(runtime, ignore_errors=True)


run()
