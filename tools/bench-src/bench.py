#!/usr/bin/env python3
"""tools/bench's measuring and table: runs probe.exe under Wine for the timings, then watches
the idle programs' Linux processes for a minute."""
import os
import subprocess
import sys
import tempfile
import time

bench, wine_run = sys.argv[1], sys.argv[2]
prefix = os.environ["DAWNBELL_WINEPREFIX"]
IDLE_SECONDS = 60
SAMPLE = 0.02


def probe(what):
    command = [wine_run, os.path.join(bench, "probe.exe"), what]
    if what == "idle":
        # The programs it leaves running would hold a captured output open.
        subprocess.run(command, cwd=bench, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=600)
        return {}
    # Into a file, not a pipe: a Wine server started by this call keeps the pipe open.
    with tempfile.TemporaryFile("w+") as output:
        subprocess.run(command, cwd=bench, stdin=subprocess.DEVNULL, stdout=output,
                       stderr=subprocess.DEVNULL, timeout=600)
        output.seek(0)
        out = output.read()
    return {k: float(v) for k, v in (line.split() for line in out.splitlines() if line.strip())}


def processes(exe):
    """Linux pids of the Wine processes of `exe` in the bench prefix."""
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv0 = f.read().split(b"\0")[0].decode(errors="replace")
            with open("/proc/%s/environ" % pid, "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if argv0.lower().endswith("\\" + exe) and ("WINEPREFIX=" + prefix).encode() in environ:
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


def idle():
    """Wake-ups a minute (sample periods in which the process ran at all) and CPU share."""
    probe("idle")
    watched = {}
    for name, exe in (("resident", "dawnbell.exe"), ("service", "dawnbell_runat.exe"),
                      ("minimal", "minimal.exe")):
        pids = processes(exe)
        if pids:
            watched[name] = pids[0]
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
    result = {}
    for n, p in watched.items():
        result[n] = (wakes[n] * 60 / IDLE_SECONDS,
                     (cpu_ticks(p) - ticks[n]) / hertz / IDLE_SECONDS * 100,
                     private_kb(p))
    probe("cleanup")
    return result


def ratio(a, b):
    return "%.2fx" % (a / b) if a > 0 and b > 0 else "-"


def main():
    t = probe("timings")
    i = idle()
    size = lambda exe: os.path.getsize(os.path.join(bench, exe)) / 1024
    rows = [
        ("start with AppRunAtTime to ring shown (median of 10)", "%.0f ms" % t["ring"],
         "%.0f ms to window shown" % t["minimal_window"], ratio(t["ring"], t["minimal_window"])),
        ("  the same less the 100 ms display pause", "%.0f ms" % (t["ring"] - 100),
         "%.0f ms" % t["minimal_window"], ratio(t["ring"] - 100, t["minimal_window"])),
        ("second start's hand-over, start to end (median of 10)", "%.0f ms" % t["hand_over"],
         "%.0f ms process start to end" % t["minimal_process"],
         ratio(t["hand_over"], t["minimal_process"])),
        ("settings dialog open (median of 10)", "%.0f ms" % t["settings_dialog"], "-", "-"),
    ]
    minimal = i.get("minimal", (0, 0, 0))
    for name, label in (("resident", "resident program (hidden, armed)"),
                        ("service", "run-at-time service")):
        if name in i:
            wakes, cpu, _ = i[name]
            rows.append(("idle wake-ups a minute, " + label, "%.0f" % wakes,
                         "%.0f" % minimal[0], "-"))
            rows.append(("idle CPU, " + label, "%.3f %%" % cpu, "%.3f %%" % minimal[1], "-"))
    if "resident" in i:
        rows.append(("private memory, resident program", "%.0f KB" % i["resident"][2],
                     "%.0f KB" % minimal[2], ratio(i["resident"][2], minimal[2])))
    if "service" in i:
        rows.append(("private memory, service", "%.0f KB" % i["service"][2],
                     "%.0f KB" % minimal[2], ratio(i["service"][2], minimal[2])))
    rows.append(("exe size, dawnbell.exe", "%.0f KB" % size("dawnbell.exe"),
                 "%.0f KB" % size("minimal.exe"), ratio(size("dawnbell.exe"), size("minimal.exe"))))
    rows.append(("exe size, dawnbell_runat.exe", "%.0f KB" % size("dawnbell_runat.exe"),
                 "%.0f KB" % size("minimal.exe"),
                 ratio(size("dawnbell_runat.exe"), size("minimal.exe"))))
    print("| measure | Dawnbell | minimal Win32 program | ratio |")
    print("|---|---|---|---|")
    for row in rows:
        print("| %s |" % " | ".join(row))


main()
