#!/usr/bin/env python3
"""The ring is heard: runs the real dawnbell.exe under Wine with the pulse driver against a
private sound server, records the server's null sink and judges the recording while the user's
part is played (tests/audio/audio_driver.cpp):

- a preview plays the chosen wave file once and whole;
- an "AppRunAtTime" start beeps as one playback until Stop, and Stop silences it;
- a wave file rings with that file's sound (its tone's frequency) as one playback until the
  window is closed, and closing silences it.

    ring_heard.py BUILD_FOLDER

The judgement works on the recording's own sample positions: runs of sound and the silences
after them. How soon a ring is heard is the bench's to measure, not this test's: every wait
here only ends a hang. The driver and the judge take turns: the driver prints each step once
taken and then waits for a file "go<N>" that the judge makes once it has heard what that step
should sound like.

Where a sound begins, and how much of it there is, is the recording's to tell; where the program
ended it, and whether it was one playback all along, is the sound server's. The recording cannot
tell either: Wine hands the server a few milliseconds of sound at a time, so a machine busy
enough to hold Wine up for longer leaves silences in it that the program never made (dropouts;
the sound comes late, none of it is lost). They are printed, and a preview is measured by its
sound, not by its span.

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
WINDOW = RATE // 20  # samples per level reading (50 ms)
HEARD_DB = -30.0     # a ring is far louder (the beep is about -2 dBFS)
SILENT_DB = -50.0
EDGE = 33            # a sample beyond this (-60 dBFS) is sound: where a run begins and ends
TONE_HERTZ = 660     # the driver's test tone
TONE_SECONDS = 0.6
WHOLE = 0.1          # seconds a whole preview may differ from the file by
RINGS = 2.0          # seconds of sound a ring has before the user stops it
QUIET = 1.0          # seconds of silence that end a sound once its playback has ended
DROPOUT = RATE // 500  # a silence inside a sound counts from 2 ms
# Only to end a hang, never a measure: a busy machine takes a few seconds for what takes a
# fraction of one on a quiet one. The first step waits for the prefix too (made on first use).
HANG = 30
STEP_HANG = 120
START_HANG = 240

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class Recorder:
    """parec on the sink's monitor; the recording grows while the test reads it."""

    def __init__(self, env, sink):
        self.process = subprocess.Popen(
            ["parec", "-d", sink + ".monitor", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--latency-msec=50", "--raw"],
            stdout=subprocess.PIPE, env=env)
        self.env = env
        self.data = bytearray()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            chunk = self.process.stdout.read1(4096)
            if not chunk:
                return
            self.data += chunk

    def count(self):
        return len(self.data) // 2

    def reaches(self, count, deadline):
        """Whether the recording holds `count` samples by `deadline` (time.monotonic)."""
        while self.count() < count:
            if time.monotonic() > deadline or self.process.poll() is not None:
                return False
            time.sleep(0.01)
        return True

    def playbacks(self):
        """The server's playback streams, by index."""
        listing = subprocess.run(["pactl", "list", "short", "sink-inputs"], env=self.env,
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                 timeout=HANG).stdout
        return {line.split()[0] for line in listing.splitlines() if line.strip()}

    def samples(self, start, end):
        out = array.array("h")
        out.frombytes(bytes(self.data[2 * start: 2 * end]))
        return out

    def stop(self):
        self.process.terminate()
        self.process.wait(5)
        self.thread.join(5)


def decibels(samples):
    rms = math.sqrt(sum(s * s for s in samples) / len(samples)) / 32768.0
    return 20 * math.log10(rms) if rms > 0 else -120.0


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


class Ear:
    """Listens to the recording in sample positions. Everything before `cursor` is judged."""

    def __init__(self, recorder):
        self.recorder = recorder
        self.cursor = 0

    def window(self, start, deadline):
        """The window at `start`; None when the recording does not get there in time."""
        if not self.recorder.reaches(start + WINDOW, deadline):
            return None
        return self.recorder.samples(start, start + WINDOW)

    def level(self, start, deadline):
        """dBFS of the window at `start`; None when the recording does not get there in time."""
        window = self.window(start, deadline)
        return None if window is None else decibels(window)

    def onset(self, limit):
        """The first sample of the next sound after the cursor that is heard, or None."""
        deadline = time.monotonic() + limit
        at = self.cursor
        while True:
            db = self.level(at, deadline)
            if db is None:
                return None
            if db > HEARD_DB:
                break
            at += WINDOW
        # It may rise through the windows before the first one that is heard.
        start = at
        while start > self.cursor:
            before = max(self.cursor, start - WINDOW)
            if max(map(abs, self.recorder.samples(before, start))) <= EDGE:
                break
            start = before
        chunk = self.recorder.samples(start, at + WINDOW)
        return start + next(i for i, s in enumerate(chunk) if abs(s) > EDGE)

    def resync(self, start, limit):
        """After a failed check: the next judgement starts where it is silent again."""
        deadline = time.monotonic() + limit
        at = max(start, self.cursor)
        while True:
            db = self.level(at, deadline)
            if db is None or db <= SILENT_DB:
                self.cursor = at
                return
            at += WINDOW


class Run:
    """A run of sound from `onset` on, read window by window as the recording grows. The sound
    server tells when the program's playback has ended; the run ends at the silence after
    that. Until then a silence of any length is a dropout: Wine hands the server a few
    milliseconds of sound at a time, so a machine busy enough to hold Wine up for longer leaves
    silences in the recording that the program never made (the sound comes late, none of it is
    lost)."""

    def __init__(self, ear, onset):
        self.ear, self.onset = ear, onset
        self.at = onset           # the next window to read
        self.levels = []          # of the windows read that hold sound
        self.sounding = 0         # samples of sound read
        self.silent_from = None   # where the silence being read began
        self.settled = None       # the recording's length once the playback had ended
        self.end = None           # the last sample of sound, once the run has ended

    def _read(self, deadline):
        window = self.ear.window(self.at, deadline)
        if window is None:
            return False
        self.sounding += sum(1 for s in window if abs(s) > EDGE)
        db = decibels(window)
        if db > SILENT_DB:
            self.levels.append(db)
            self.silent_from = None
        elif self.silent_from is None:
            self.silent_from = self.at
        self.at += WINDOW
        return True

    def _ended(self):
        # The recording may lag behind the server: the silence must outlast the playback by
        # QUIET, not only the last sound.
        return (self.settled is not None and self.silent_from is not None and
                self.at - self.silent_from >= QUIET * RATE and
                self.at >= self.settled + QUIET * RATE)

    def sounds_for(self, seconds, playing, limit):
        """Whether the run holds `seconds` of sound while the server's playbacks stay
        `playing`."""
        deadline = time.monotonic() + limit
        while self.sounding < seconds * RATE:
            if not self._read(deadline):
                return False
            if (self.at - self.onset) // WINDOW % 10 == 0 and \
                    self.ear.recorder.playbacks() != playing:
                return False
        return True

    def playback_ends(self, playing, limit):
        """Waits until none of `playing` is left on the server; whether it came to that."""
        deadline = time.monotonic() + limit
        while playing & self.ear.recorder.playbacks():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.05)
        self.settled = self.ear.recorder.count()
        return True

    def ending(self, limit):
        """Reads on until the run has ended, after its playback: its last sample of sound, or
        None when it goes on past `limit`. The silence that ended it is judged with it."""
        if self.settled is None:
            return None
        deadline = time.monotonic() + limit
        while not self._ended():
            if not self._read(deadline):
                return None
        start = max(self.onset, self.silent_from - WINDOW)
        chunk = self.ear.recorder.samples(start, self.silent_from + WINDOW)
        self.end = start + max((i for i, s in enumerate(chunk) if abs(s) > EDGE), default=0)
        self.ear.cursor = self.at
        return self.end

    def dropouts(self):
        """The lengths of the silences inside the run so far, in samples."""
        out, quiet = [], 0
        for s in self.ear.recorder.samples(
                self.onset, self.at if self.end is None else self.end + 1):
            if abs(s) <= EDGE:
                quiet += 1
                continue
            if quiet >= DROPOUT:
                out.append(quiet)
            quiet = 0
        return out

    def sound(self):
        """Seconds of sound in the ended run: its samples of sound."""
        if self.end is None:
            return 0.0
        return sum(1 for s in self.ear.recorder.samples(self.onset, self.end + 1)
                   if abs(s) > EDGE) / RATE

    def clean(self, length):
        """The first `length` samples of the run without a dropout (fewer if there are none)."""
        chunk = self.ear.recorder.samples(self.onset, self.at)
        start = quiet = 0
        for i, s in enumerate(chunk):
            quiet = quiet + 1 if abs(s) <= EDGE else 0
            if quiet >= DROPOUT:
                start = i + 1
            elif i + 1 - start >= length:
                return chunk[start: i + 1]
        return chunk[:length]

    def told(self):
        """The run's sound and dropouts, for a check's line."""
        text = "%.2f s of sound" % self.sound() if self.end is not None else \
            "still sounding after %d s" % HANG
        drops = self.dropouts()
        if drops:
            text += "; %d dropout%s of up to %d ms" % (len(drops), "s"[len(drops) == 1:],
                                                      max(drops) * 1000 // RATE)
        return text


class DriverFailed(Exception):
    pass


class Driver:
    """audio_driver.exe under Wine, and its turns: the steps it prints, the go-aheads it waits
    for. Its output goes into files, not pipes: a Wine server started by this call keeps a pipe
    open."""

    def __init__(self, build, folder, env):
        self.build, self.folder, self.env = build, folder, env
        self.out = open(os.path.join(folder, "steps"), "w+")
        self.err = open(os.path.join(folder, "errors"), "w+")
        self.reader = open(os.path.join(folder, "steps"))
        self.pending = ""
        self.turns = 0
        self.ended = False
        self.process = subprocess.Popen(
            [os.path.join(top, "tools", "wine-run"), os.path.join(build, "audio_driver.exe"),
             "Z:" + folder.replace("/", "\\")],
            cwd=build, env=env, stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.err)

    def _line(self):
        self.pending += self.reader.read()
        if "\n" not in self.pending:
            return None
        line, _, self.pending = self.pending.partition("\n")
        return line.strip()

    def expect(self, step, limit):
        """Waits for the driver to have taken `step`."""
        deadline = time.monotonic() + limit
        while True:
            line = self._line()
            if line is None and self.process.poll() is not None:
                line = self._line()
                if line is None:
                    raise DriverFailed("it ended (status %d) before %r" %
                                       (self.process.returncode, step))
            if line is None:
                if time.monotonic() > deadline:
                    raise DriverFailed("no %r within %d s" % (step, limit))
                time.sleep(0.02)
                continue
            if line == step:
                return
            raise DriverFailed(line[len("error "):] if line.startswith("error ") else
                               "%r instead of %r" % (line, step))

    def go(self):
        self.turns += 1
        open(os.path.join(self.folder, "go%d" % self.turns), "w").close()

    def finish(self, limit):
        try:
            self.process.wait(limit)
        except subprocess.TimeoutExpired:
            pass
        self.ended = self.process.poll() == 0

    def close(self):
        """Ends the driver and, unless it ran through, whatever it left running."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        if not self.ended:
            subprocess.run([os.path.join(top, "tools", "wine-run"),
                            os.path.join(self.build, "audio_driver.exe"), "clean"],
                           cwd=self.build, env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        for f in (self.out, self.err, self.reader):
            f.close()

    def output(self):
        with open(os.path.join(self.folder, "steps")) as out, \
                open(os.path.join(self.folder, "errors")) as err:
            return out.read() + err.read()


class Judge:
    """Takes turns with the driver and checks each step's sound as it comes."""

    def __init__(self, ear, driver):
        self.ear, self.driver = ear, driver
        self.passed = self.failed = 0

    def check(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if ok:
            self.passed += 1
        else:
            self.failed += 1

    def run(self):
        self.driver.expect("begin", START_HANG)

        # The preview: the file's length of sound, then nothing.
        self.driver.expect("preview", STEP_HANG)
        onset = self.ear.onset(HANG)
        end = None
        self.check(onset is not None, "a preview is heard")
        if onset is not None:
            run = Run(self.ear, onset)
            run.playback_ends(self.ear.recorder.playbacks(), HANG)
            end = run.ending(HANG)
            self.check(end is not None and abs(run.sound() - TONE_SECONDS) <= WHOLE,
                       "the preview plays the %.1f s file once and whole, then silence for "
                       "%.1f s (%s)" % (TONE_SECONDS, QUIET, run.told()))
        given = self.ear.recorder.count()
        self.driver.go()
        if end is None:
            self.ear.resync(given, HANG)

        # The beep until Stop, then the wave file until the window closes.
        self.driver.expect("beep", STEP_HANG)
        self.ring("beep", "stop", "Stop", "Stop silences the beep")
        self.driver.expect("wave", STEP_HANG)
        self.ring("wave file", "close", "the window closes",
                  "closing the window silences the wave file")
        self.driver.expect("end", STEP_HANG)

    def ring(self, name, step, until, silenced):
        onset = self.ear.onset(HANG)
        self.check(onset is not None, "the %s is heard" % name)
        if onset is None:
            self.driver.go()
            self.driver.expect(step, STEP_HANG)
            self.driver.go()
            return
        # One playback from the onset to the go-ahead: the loop had not ended by itself before
        # the user's step, and the program did not start the sound again (a new playback).
        playing = self.ear.recorder.playbacks()
        run = Run(self.ear, onset)
        rings = bool(playing) and run.sounds_for(RINGS, playing, HANG)
        if name == "wave file":
            hertz = dominant_hertz(run.clean(RATE // 4))
            self.check(abs(hertz - TONE_HERTZ) <= 20,
                       "the ring has the file's sound (%d Hz, the file's tone is %d Hz)" %
                       (hertz, TONE_HERTZ))
        played = self.ear.recorder.playbacks()
        rings = rings and played == playing
        self.driver.go()
        self.driver.expect(step, STEP_HANG)
        stopped = run.playback_ends(playing, HANG)
        end = run.ending(HANG)
        self.check(rings, "the %s rings until %s: one playback from its onset to the "
                   "go-ahead, with at least %.1f s of sound (%s%s)" %
                   (name, until, RINGS, run.told(), "" if played and played == playing else
                    "; playbacks %s at the onset, %s at the go-ahead" %
                    (" ".join(sorted(playing)) or "none", " ".join(sorted(played)) or "none")))
        if name == "beep" and run.levels:
            rms = 20 * math.log10(math.sqrt(sum(10 ** (db / 10) for db in run.levels) /
                                            len(run.levels)))
            print("     the beep rings at %.1f dBFS RMS" % rms)
        after = self.ear.recorder.playbacks()
        self.check(end is not None and not after,
                   "%s: its playback ends, then silence for %.1f s%s" %
                   (silenced, QUIET, " (playing on after %d s)" % HANG if not stopped else
                    " (still sounding after %d s)" % HANG if end is None else
                    " (playbacks %s after it)" % " ".join(sorted(after)) if after else ""))
        given = self.ear.recorder.count()
        self.driver.go()
        if end is None:
            self.ear.resync(given, HANG)


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
    server = recorder = driver = judge = None
    try:
        server, address = start_server(runtime, env)
        env["PULSE_SERVER"] = address
        recorder = Recorder(env, "dawnbell_test")
        if not recorder.reaches(RATE // 5, time.monotonic() + HANG):
            raise RuntimeError("the recorder records nothing")
        # Wine and its server see the same private server; the prefix is this test's own.
        wine_env = dict(env, DAWNBELL_WINE_MODE="audio", HOME=os.environ.get("HOME", runtime))
        turns = os.path.join(runtime, "turns")
        os.mkdir(turns)
        driver = Driver(build, turns, wine_env)
        judge = Judge(Ear(recorder), driver)
        try:
            judge.run()
            driver.finish(STEP_HANG)
            if not driver.ended:
                raise DriverFailed("it ended with status %s" % driver.process.returncode)
        except DriverFailed as e:
            print(driver.output())
            judge.check(False, "the driver ran through: %s" % e)
    finally:
        if driver:
            driver.close()
        if recorder:
            recorder.stop()
        if server:
            server.terminate()
            server.wait(5)
        shutil.rmtree(runtime, ignore_errors=True)

    print("%d passed, %d failed" % (judge.passed, judge.failed))
    return 0 if judge.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
