#!/usr/bin/env python3
"""The ring is heard: runs the real dawnbell.exe under Wine with the pulse driver against a
private sound server, records the server's null sink and checks the recording against what the
user did (tests/audio/audio_driver.cpp):

- a preview plays the chosen wave file once;
- an "AppRunAtTime" start beeps within 1 s and keeps beeping without a gap until Stop;
- Stop, and closing the window, silence the ring within 0.5 s;
- a wave file rings with that file's sound (its tone's frequency).

    ring_heard.py BUILD_FOLDER

The server has its own runtime folder and is stopped at the end; it never touches a user's
server. Prints one line per check and "N passed, N failed" at the end.
"""
import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

RATE = 16000
WINDOW = 0.05        # seconds per level reading
HEARD_DB = -30.0     # a ring is far louder (the beep is about -2 dBFS)
SILENT_DB = -50.0
TONE_HERTZ = 660     # the driver's test tone
TONE_SECONDS = 0.6

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class Recorder:
    """parec on the sink's monitor, with the wall-clock time at which each piece arrived."""

    def __init__(self, env, sink):
        self.process = subprocess.Popen(
            ["parec", "-d", sink + ".monitor", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--latency-msec=20", "--raw"],
            stdout=subprocess.PIPE, env=env)
        self.data = bytearray()
        self.arrivals = []  # (wall-clock time, samples recorded by then)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            chunk = self.process.stdout.read1(4096)
            if not chunk:
                return
            self.data += chunk
            self.arrivals.append((time.time(), len(self.data) // 2))

    def sample_at(self, t):
        """The sample recorded at wall-clock time `t`, counted back from the first piece that
        arrived after it, so that a stall or a dropped piece shifts nothing else."""
        for arrived, count in self.arrivals:
            if arrived >= t:
                return max(0, count - int((arrived - t) * RATE))
        return self.arrivals[-1][1] if self.arrivals else 0

    def wait_for_data(self, seconds):
        """Waits until the recording runs (the recorder takes a while to connect)."""
        deadline = time.time() + 10
        while len(self.data) < seconds * RATE * 2:
            if time.time() > deadline:
                raise RuntimeError("the recorder records nothing")
            time.sleep(0.02)

    def stop(self):
        self.process.terminate()
        self.process.wait(5)
        self.thread.join(5)
        samples = array.array("h")
        samples.frombytes(bytes(self.data[: len(self.data) // 2 * 2]))
        return samples


def levels(samples):
    """dBFS of each WINDOW of the recording."""
    size = int(RATE * WINDOW)
    out = []
    for i in range(0, len(samples) - size + 1, size):
        chunk = samples[i: i + size]
        rms = math.sqrt(sum(s * s for s in chunk) / size) / 32768.0
        out.append(20 * math.log10(rms) if rms > 0 else -120.0)
    return out


def dominant_hertz(samples):
    """The strongest frequency between 200 Hz and 4 kHz (Goertzel, 10 Hz steps)."""
    best, best_power = 0, -1.0
    n = len(samples)
    for hertz in range(200, 4000, 10):
        coefficient = 2 * math.cos(2 * math.pi * hertz / RATE)
        s1 = s2 = 0.0
        for x in samples:
            s1, s2 = x + coefficient * s1 - s2, s1
        power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
        if power > best_power:
            best, best_power = hertz, power
    return best if n else 0


def start_server(runtime, env):
    socket = os.path.join(runtime, "native")
    server = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
         "--log-target=stderr", "--log-level=error",
         "-L", "module-null-sink sink_name=dawnbell_test",
         "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket],
        env=env, stderr=subprocess.PIPE)
    deadline = time.time() + 10
    while not os.path.exists(socket):
        if server.poll() is not None or time.time() > deadline:
            raise RuntimeError("the sound server did not start: " +
                               server.stderr.read().decode(errors="replace"))
        time.sleep(0.05)
    return server, "unix:" + socket


def main():
    build = os.path.abspath(sys.argv[1])
    runtime = tempfile.mkdtemp(prefix="dawnbell-pulse-")
    env = {k: v for k, v in os.environ.items() if not k.startswith("PULSE_")}
    env.update(XDG_RUNTIME_DIR=runtime, HOME=runtime, PULSE_RUNTIME_PATH=runtime,
               PULSE_STATE_PATH=runtime)
    server = recorder = driver = None
    samples, sample_at = array.array("h"), None
    passed = failed = 0

    def check(ok, what):
        nonlocal passed, failed
        print(("ok   " if ok else "FAIL ") + what)
        if ok:
            passed += 1
        else:
            failed += 1

    try:
        server, address = start_server(runtime, env)
        env["PULSE_SERVER"] = address
        recorder = Recorder(env, "dawnbell_test")
        recorder.wait_for_data(0.2)
        # Wine and its server see the same private server; the prefix is this test's own.
        wine_env = dict(env, DAWNBELL_WINE_MODE="audio",
                        HOME=os.environ.get("HOME", runtime))
        # Into files, not pipes: a Wine server started by this call keeps a pipe open.
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            returncode = subprocess.run(
                [os.path.join(top, "tools", "wine-run"), os.path.join(build, "audio_driver.exe")],
                cwd=build, env=wine_env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                timeout=120).returncode
            out.seek(0)
            err.seek(0)
            driver = subprocess.CompletedProcess([], returncode, out.read(), err.read())
        time.sleep(0.2)
        samples = recorder.stop()
        sample_at = recorder.sample_at
        recorder = None
    finally:
        if recorder:
            recorder.stop()
        if server:
            server.terminate()
            server.wait(5)
        shutil.rmtree(runtime, ignore_errors=True)

    events = {}
    for line in driver.stdout.splitlines():
        name, _, value = line.partition(" ")
        events[name] = value if name == "error" else float(value) / 1000.0
    if driver.returncode != 0 or "error" in events:
        print(driver.stdout, driver.stderr, sep="\n")
        check(False, "the driver ran through: %s" % events.get("error", driver.returncode))
        print("%d passed, %d failed" % (passed, failed))
        return 1

    level = levels(samples)

    # The window index of a wall-clock time.
    def at(t):
        return int(sample_at(t) / (RATE * WINDOW))

    def span(a, b):
        return level[max(at(a), 0): max(at(b), 0)]

    def first_heard(a, b):
        for i, db in enumerate(span(a, b)):
            if db > HEARD_DB:
                return a + i * WINDOW
        return None

    preview, beep, stop = events["preview"], events["beep"], events["stop"]
    wave, close, end = events["wave"], events["close"], events["end"]

    # The preview: heard once, for about the file's length, then silence.
    onset = first_heard(preview, preview + 1.0)
    check(onset is not None, "a preview is heard within 1 s")
    if onset is not None:
        heard = [db > HEARD_DB for db in span(onset, onset + TONE_SECONDS + 1.0)]
        length = (heard.index(False) if False in heard else len(heard)) * WINDOW
        check(abs(length - TONE_SECONDS) < 0.25,
              "the preview plays the file once (%.2f s of a %.1f s file)" % (length, TONE_SECONDS))
        later = span(onset + TONE_SECONDS + 0.3, beep)
        check(later and max(later) < SILENT_DB,
              "nothing is heard after the preview (loudest %.1f dBFS)" % max(later or [0]))

    # The beep: heard within 1 s of the start, at full strength, without a gap until Stop.
    onset = first_heard(beep, beep + 1.0)
    check(onset is not None, "the beep is heard within 1 s of the start (%.2f s)" %
          ((onset - beep) if onset else -1))
    if onset is not None:
        ringing = span(onset + 0.1, stop)
        check(ringing and min(ringing) > HEARD_DB,
              "the beep rings without a gap (quietest %.1f dBFS over %.1f s)" %
              (min(ringing or [0]), len(ringing) * WINDOW))
        rms = 20 * math.log10(math.sqrt(sum(10 ** (db / 10) for db in ringing) / len(ringing)))
        print("     the beep rings at %.1f dBFS RMS" % rms)
        after = span(stop + 0.5, wave)
        check(after and max(after) < SILENT_DB,
              "Stop silences the beep within 0.5 s (loudest after %.1f dBFS)" % max(after or [0]))

    # The wave file: heard with the tone's frequency until the window closes.
    onset = first_heard(wave, wave + 1.0)
    check(onset is not None, "the wave file rings within 1 s of the start")
    if onset is not None:
        ringing = span(onset + 0.1, close)
        check(ringing and min(ringing) > HEARD_DB,
              "the wave file rings without a gap (quietest %.1f dBFS)" % min(ringing or [0]))
        middle = samples[sample_at(onset + 0.5):][: RATE // 4]
        hertz = dominant_hertz(middle)
        check(abs(hertz - TONE_HERTZ) <= 20,
              "the ring has the file's sound (%d Hz, the file's tone is %d Hz)" %
              (hertz, TONE_HERTZ))
        after = span(close + 0.5, end)
        check(after and max(after) < SILENT_DB,
              "closing silences the ring within 0.5 s (loudest after %.1f dBFS)" %
              max(after or [0]))

    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
