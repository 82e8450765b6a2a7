#!/usr/bin/env python3
"""Measures the real browser end to end under an X server (run it under xvfb-run).

Each section prints a Markdown table; figures are medians of several runs and
nothing passes or fails on a time. The browser reports through its measurement
switch (VELLORA_FRAME_LOG, VELLORA_EXIT_AFTER_FRAMES; see src/app/frame_log.cpp).

    browser_bench.py --build BUILD --work FOLDER [--runs N] [section ...]

Sections: startup, smoothness, loading, firstcovers, memory, rest, hostile, embedded, thumbnails,
thumbglide (all when none is named), indexstart (the library index: first and second start, also
on a slow share), indexcovers (the first frame's covers of a second start), tagglide (gliding
while the albums' tags are read in the background), orderkeys (F2 in the real program), fullscreen (X servers of its own at three sizes; with
--before BUILD the two builds in turn), and startup-compare (with --before BUILD: two builds' first
frames, taken in turn); embedded and thumbnails also take --before BUILD, and then measure both
builds in turn.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PAGE_SIZE = os.sysconf("SC_PAGE_SIZE")
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


# ------------------------------------------------------------------ helpers

def median(values):
    return statistics.median(values) if values else float("nan")


def percentile(values, fraction):
    if not values:
        return float("nan")
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def make_library(build, folder, albums, cover_size=None, fmt="jpg", covers=True):
    """A generated music folder, reused when it is already there."""
    marker = folder + ".done"
    if os.path.exists(marker):
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    command = [os.path.join(build, "vellora-demo-library"), folder, "--albums", str(albums), "--force"]
    if covers:
        command += ["--format", fmt]
        if cover_size:
            command += ["--cover-size", str(cover_size)]
    else:
        command += ["--no-covers"]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    open(marker, "w").close()
    return folder


class Browser:
    """The real program on `folder`, with a frame log, in a scratch folder
    holding a settings file whose player does nothing."""

    def __init__(self, build, folder, exit_after=None, extra_env=None, settings=""):
        self.scratch = tempfile.mkdtemp(prefix="vellora-bench-")
        with open(os.path.join(self.scratch, "vellora.ini"), "w") as ini:
            ini.write("[vellora]\nmusicplayer=/bin/true\nautoplay=false\n" + settings)
        self.log = os.path.join(self.scratch, "frames.log")
        env = dict(os.environ, VELLORA_FRAME_LOG=self.log, **(extra_env or {}))
        # Thumbnails go to the run's own folder unless the run names one: every
        # run is a first start, and the desktop's cache is left alone.
        env.setdefault("XDG_CACHE_HOME", os.path.join(self.scratch, "cache"))
        if exit_after:
            env["VELLORA_EXIT_AFTER_FRAMES"] = str(exit_after)
        self.started = time.time()
        self.errors = os.path.join(self.scratch, "stderr.log")
        with open(self.errors, "w") as errors:
            self.process = subprocess.Popen([os.path.join(build, "vellora"), folder], cwd=self.scratch, env=env,
                                            stdout=subprocess.DEVNULL, stderr=errors)
        self.window = None

    def frames(self):
        """Drawn frames so far: dicts with wall_ms, draw_us, interval_us, current, position, textures."""
        rows = []
        try:
            with open(self.log) as log:
                for line in log:
                    parts = line.split()
                    if len(parts) == 8 and parts[0] == "frame":
                        rows.append({"wall_ms": float(parts[2]), "draw_us": float(parts[3]),
                                     "interval_us": float(parts[4]), "current": int(parts[5]),
                                     "position": float(parts[6]), "textures": int(parts[7])})
        except FileNotFoundError:
            pass
        return rows

    def log_lines(self, tag):
        try:
            with open(self.log) as log:
                return [line.split(None, 1)[1].strip() for line in log if line.startswith(tag + " ")]
        except FileNotFoundError:
            return []

    def wait_for(self, condition, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if condition():
                return True
            if self.process.poll() is not None:
                return False
            time.sleep(0.05)
        return False

    def find_window(self):
        if self.window is None:
            def found():
                out = subprocess.run(["xdotool", "search", "--all", "--pid", str(self.process.pid), "--name",
                                      "Vellora"], capture_output=True, text=True, timeout=10).stdout.split()
                self.window = out[0] if out else None
                return self.window is not None
            if not self.wait_for(found, 30):
                with open(self.errors) as errors:
                    raise RuntimeError("the browser showed no window (exit status %s): %s"
                                       % (self.process.poll(), errors.read()[-2000:]))
        return self.window

    def key(self, action, key):
        subprocess.run(["xdotool", "windowfocus", self.find_window()], timeout=10)
        subprocess.run(["xdotool", action, key], timeout=10)

    def press(self, key, count):
        """Presses and releases `key` `count` times, 20 ms apart: as fast as a held key, but exact."""
        subprocess.run(["xdotool", "windowfocus", self.find_window()], timeout=10)
        subprocess.run(["xdotool", "key", "--delay", "20", "--repeat", str(count), key], timeout=120)

    def hold_until(self, key, condition, timeout):
        """Holds `key` down until condition(frames) holds; returns whether it did."""
        self.key("keydown", key)
        reached = self.wait_for(lambda: condition(self.frames()), timeout)
        self.key("keyup", key)
        return reached

    def wait_rest(self, quiet_seconds=1.5, timeout=120):
        """Waits until no frame has been drawn for quiet_seconds."""
        def quiet():
            frames = self.frames()
            return bool(frames) and time.time() * 1000 - frames[-1]["wall_ms"] > quiet_seconds * 1000
        return self.wait_for(quiet, timeout)

    def rss_bytes(self):
        with open("/proc/%d/statm" % self.process.pid) as statm:
            return int(statm.read().split()[1]) * PAGE_SIZE

    def peak_rss_bytes(self):
        """The browser process's own peak resident memory (VmHWM); its tag helper is not counted."""
        with open("/proc/%d/status" % self.process.pid) as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * 1024
        return 0

    def stderr_text(self):
        with open(self.errors) as errors:
            return errors.read()

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime + stime

    def finish(self):
        if self.process.poll() is None:
            try:
                self.key("key", "Escape")
                self.process.wait(timeout=15)
            except Exception:
                self.process.kill()
                self.process.wait()
        # The program writes "textures COUNT BYTES" as it shuts down.
        summary = self.log_lines("textures")
        self.textures_summary = tuple(int(x) for x in summary[-1].split()) if summary else None
        self.renderer = (self.log_lines("renderer") or ["unknown"])[0]
        shutil.rmtree(self.scratch, ignore_errors=True)


def command_for(args, section):
    return ('xvfb-run -a -s "-screen 0 1024x768x24" bench/browser_bench.py --build build '
            '--work build/bench-work --runs %d %s' % (args.runs, section))


def table(title, command, header, rows, note=None):
    print("\n### %s\n" % title)
    print("Command: `%s`\n" % command)
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows:
        print("| " + " | ".join(str(cell) for cell in row) + " |")
    if note:
        print("\n" + note)
    sys.stdout.flush()


# ----------------------------------------------------------------- sections

WORDS = ["Amber", "Blue", "Crimson", "Delta", "Echo", "Fable", "Golden", "Hollow",
         "Iron", "Jade", "Kite", "Lunar", "Mellow", "Night", "Opal", "Paper"]


def make_named_library(folder, albums):
    """Empty album folders named as real ones are (about 33 bytes, "Artist Name Here -
    Album 000123", an artist's albums sharing their first 16 bytes), as bench/scan_bench
    names them; reused when already there."""
    marker = folder + ".done"
    if os.path.exists(marker):
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for i in range(albums):
        n = (i * 7919) % albums  # not in creation order
        artist = n % 4096
        os.mkdir(os.path.join(folder, "%s %s %s - Album %06d" % (WORDS[artist % 16], WORDS[artist // 16 % 16],
                                                                 WORDS[artist // 256], n)))
    open(marker, "w").close()
    return folder


def startup(args):
    rows, medians = [], {}
    for albums in (1000, 10000, 100000):
        folder = make_named_library(os.path.join(args.work, "named-%d" % albums), albums)
        first_frames, listings = [], []
        for _ in range(args.runs):
            begin = time.perf_counter()
            names = os.listdir(folder)
            listings.append((time.perf_counter() - begin) * 1000)
            # A fresh process each run; the folder is in the page cache.
            browser = Browser(args.build, folder, exit_after=1)
            browser.process.wait(timeout=120)
            frames = browser.frames()
            if frames:
                first_frames.append(frames[0]["wall_ms"] - browser.started * 1000)
            browser.finish()
        medians[albums] = median(first_frames)
        rows.append(["{:,}".format(albums), "%.0f" % medians[albums], "%.0f" % min(first_frames or [0]),
                     "%.0f" % max(first_frames or [0]), "%.2f" % (medians[albums] / medians[1000]),
                     "%.1f" % median(listings), len(names), len(first_frames)])
    table("1. Start-up: process start to the first drawn frame", command_for(args, "startup"),
          ["album folders", "to first frame (ms, median)", "fastest", "slowest", "/ 1,000", "bare listing (ms)",
           "entries", "runs"], rows,
          "Album folders named as real ones are, about 33 bytes. The first frame is the browser's first frame "
          "with the library (the frame log does not count the empty frames shown while a scan is still "
          "running); it includes SDL and GL start-up and building the caption font, which the scan runs "
          "beside. The bare listing is `os.listdir` of the same folder (readdir), warm cache. "
          "`bench/scan_bench` compares the scan alone with a bare readdir.")


def startup_compare(args):
    """The first frame of two builds (--before, and --build) at 1,000 and 100,000
    albums, taken in turn run after run so that a busy machine weighs on both alike."""
    builds = [("before", args.before), ("after", args.build)]
    sizes = (1000, 100000)
    folders = {n: make_named_library(os.path.join(args.work, "named-%d" % n), n) for n in sizes}
    times = {(name, n): [] for name, _ in builds for n in sizes}
    for _ in range(args.runs):
        for n in sizes:
            for name, build in builds:
                browser = Browser(build, folders[n], exit_after=1)
                browser.process.wait(timeout=120)
                frames = browser.frames()
                if frames:
                    times[(name, n)].append(frames[0]["wall_ms"] - browser.started * 1000)
                browser.finish()
    rows = []
    for name, build in builds:
        m = {n: median(times[(name, n)]) for n in sizes}
        rows.append([name, "%.0f" % m[1000], "%.0f" % m[100000], "%.2f" % (m[100000] / m[1000]),
                     len(times[(name, 100000)])])
    table("1b. Start-up, two builds in turn", command_for(args, "--before BUILD startup-compare"),
          ["build", "1,000 albums (ms, median)", "100,000 albums (ms, median)", "100,000 / 1,000", "runs"], rows)


def first_frame_ms(args, folder, settings="", extra_env=None):
    """Launch to the first frame with the library, of one fresh process."""
    browser = Browser(args.build, folder, exit_after=1, settings=settings, extra_env=extra_env)
    browser.process.wait(timeout=600)
    frames = browser.frames()
    browser.finish()
    return frames[0]["wall_ms"] - browser.started * 1000 if frames else float("nan")


def index_start(args):
    """The library index: a first start (no index yet: the walk, writing it), a second start (the
    library from the index, its walk behind) and a start with libraryindex = false, taken in turn
    run after run; at 100,000 albums on the local disk, and at 2,000 artists of 5 albums (depth 2)
    local and behind bench/slow_folder_shim.c (20 ms for each open, opendir and stat)."""
    shim = os.path.join(args.build, "bench", "libslow_folder_shim.so")
    local = make_named_library(os.path.join(args.work, "named-100000"), 100000)
    share = os.path.join(args.work, "share-2000x5")
    if not os.path.exists(share + ".done"):
        shutil.rmtree(share, ignore_errors=True)
        subprocess.run([os.path.join(args.build, "bench", "share_bench"), "make", share, "2000", "5"], check=True,
                       stdout=subprocess.DEVNULL)
        open(share + ".done", "w").close()
    slow = {"LD_PRELOAD": shim, "VELLORA_SLOW_FOLDER": share, "VELLORA_SLOW_DELAY_MS": "20"}
    cases = [("100,000 albums, local disk", local, "", {}),
             ("2,000 artists × 5 (depth 2), local disk", share, "depth=2\n", {}),
             ("2,000 artists × 5 (depth 2), 20 ms share", share, "depth=2\n", slow)]
    rows = []
    for name, folder, settings, env in cases:
        cache = tempfile.mkdtemp(prefix="vellora-index-")
        times = {"off": [], "first": [], "second": []}
        size = 0
        for _ in range(args.runs):
            times["off"].append(first_frame_ms(args, folder, settings + "libraryindex=false\n", env))
            fresh = tempfile.mkdtemp(prefix="vellora-index-")
            times["first"].append(first_frame_ms(args, folder, settings, dict(env, XDG_CACHE_HOME=fresh)))
            shutil.rmtree(fresh, ignore_errors=True)
            if not os.path.exists(os.path.join(cache, "vellora", "library.sqlite")):
                first_frame_ms(args, folder, settings, dict(env, XDG_CACHE_HOME=cache))
                time.sleep(3)  # the writer's last batch
            times["second"].append(first_frame_ms(args, folder, settings, dict(env, XDG_CACHE_HOME=cache)))
            size = os.path.getsize(os.path.join(cache, "vellora", "library.sqlite"))
        shutil.rmtree(cache, ignore_errors=True)
        m = {key: median(value) for key, value in times.items()}
        albums = 100000 if folder == local else 10000
        rows.append([name, "%.0f" % m["off"], "%.0f" % m["first"], "%.0f" % m["second"],
                     "%.2f" % (m["second"] / m["off"]), "%.0f" % (size / albums), args.runs])
    table("15. The library index: first start, second start, none", command_for(args, "indexstart"),
          ["library", "libraryindex = false (ms)", "first start (ms)", "second start (ms)", "second / none",
           "index bytes per album", "runs"], rows,
          "Medians, launch to the first frame with the library (VELLORA_EXIT_AFTER_FRAMES=1). A second start "
          "reads the index and draws; its reconciling walk runs behind the first frame.")


def index_covers(args):
    """A second start with thumbnails, with and without the index, taken in turn: how many covers the
    first frame holds, and how long after it the fourth comes. With the index the library is there
    before the window opens, and the loader begins on the selection's covers meanwhile."""
    folder = make_library(args.build, os.path.join(args.work, "four-covers"), 40, cover_size=1000)
    cache = tempfile.mkdtemp(prefix="vellora-index-")
    results = {"off": [], "on": []}

    def run(settings):
        browser = Browser(args.build, folder, extra_env={"XDG_CACHE_HOME": cache}, settings=settings)
        browser.wait_for(lambda: any(f["textures"] >= 4 for f in browser.frames()), 30)
        frames = browser.frames()
        browser.finish()
        four = next((f for f in frames if f["textures"] >= 4), None)
        return frames[0]["textures"], (four["wall_ms"] - frames[0]["wall_ms"]) if four else float("nan")

    # The index and every album's thumbnails written: a glide over the whole
    # row, then rest while the thumbnails are written (each start picks its
    # album at random).
    browser = Browser(args.build, folder, extra_env={"XDG_CACHE_HOME": cache})
    browser.find_window()
    browser.wait_rest()
    browser.press("Home", 1)
    browser.hold_until("Right", lambda f: f and f[-1]["current"] == 39, 120)
    browser.wait_rest(quiet_seconds=3)
    browser.finish()
    for _ in range(args.runs):
        results["off"].append(run("libraryindex=false\n"))
        results["on"].append(run(""))
    shutil.rmtree(cache, ignore_errors=True)
    rows = [[name, "%.0f" % median([r[0] for r in runs]), " ".join(str(r[0]) for r in runs),
             "%.0f" % median([r[1] for r in runs]), len(runs)] for name, runs in (("libraryindex = false", results["off"]),
                                                                               ("libraryindex = true", results["on"]))]
    table("15b. A second start with thumbnails: the covers of the first frame", command_for(args, "indexcovers"),
          ["start", "covers in the first frame (median)", "each run", "first frame to the fourth cover (ms, median)",
           "runs"], rows)


def smoothness(args):
    rows = []
    for size in (300, 600, 1000, 1500, 3000):
        folder = make_library(args.build, os.path.join(args.work, "covers-%d" % size), 50, cover_size=size)
        intervals, draws = [], []
        for _ in range(args.runs):
            browser = Browser(args.build, folder)
            browser.find_window()
            browser.wait_rest()
            start = len(browser.frames())
            # Across the whole row: to the last album, then back to the first.
            browser.hold_until("Right", lambda f: f and f[-1]["current"] == 49, 120)
            browser.wait_for(lambda: browser.frames()[-1]["position"] > 45, 60)
            browser.hold_until("Left", lambda f: f and f[-1]["current"] == 0, 120)
            browser.wait_rest()
            glide = browser.frames()[start:]
            intervals += [f["interval_us"] / 1000 for f in glide if f["interval_us"] > 0]
            draws += [f["draw_us"] / 1000 for f in glide]
            browser.finish()
        rows.append([size, len(intervals), "%.1f" % median(intervals), "%.1f" % percentile(intervals, 0.99),
                     "%.1f" % max(intervals), sum(1 for i in intervals if i > 16.7),
                     sum(1 for i in intervals if i > 33.0), "%.0f" % (1000 / median(intervals)),
                     "%.1f" % median(draws), "%.1f" % max(draws)])
    table("3. Smoothness: gliding across 50 albums of each cover size",
          command_for(args, "smoothness"),
          ["cover px (JPEG)", "frames", "frame median (ms)", "p99 (ms)", "max (ms)", "> 16.7 ms", "> 33 ms",
           "fps (median)", "draw median (ms)", "draw max (ms)"], rows,
          "Frame time is swap to swap (the first frame after a rest has none) and includes the loop's 10 ms sleep after each easing step; draw time "
          "is the drawing pass alone (its cover uploads, scene, caption, swap). "
          "Right is held to the last album, then Left back to the first, %d run(s) per size." % args.runs)


def photo_library(args, albums=20):
    """Large stand-ins for photographs (1-18 megapixels, odd sizes, baseline and
    progressive JPEG, 8- and 16-bit PNG), written by texture_bench --photos."""
    folder = os.path.join(args.work, "photos-%d" % albums)
    marker = folder + ".done"
    if not os.path.exists(marker):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        subprocess.run([os.path.join(args.build, "bench", "texture_bench"), "--photos", folder], check=True,
                       stdout=subprocess.DEVNULL)
        open(marker, "w").close()
    return folder


def started_browser(args, folder, attempts=3, build=None, extra_env=None, settings=""):
    """A browser with its window shown. On this shared machine SDL now and then
    misses a loaded X server at start-up and gives up; such a start is retried."""
    for attempt in range(attempts):
        browser = Browser(build or args.build, folder, extra_env=extra_env, settings=settings)
        try:
            browser.find_window()
            return browser
        except RuntimeError as error:
            browser.process.kill()
            browser.process.wait()
            browser.finish()
            if attempt == attempts - 1:
                raise
            print("(retrying a start: %s)" % str(error).splitlines()[-1], file=sys.stderr)
            time.sleep(1)


def glide_stats(frames):
    """draw and swap-interval p50/p99/max (ms) and frames over 33 ms, first three frames left out."""
    frames = frames[3:] if len(frames) > 3 else []
    draws = [f["draw_us"] / 1000 for f in frames]
    intervals = [f["interval_us"] / 1000 for f in frames if f["interval_us"] > 0]
    return {"frames": len(draws), "draw": (median(draws), percentile(draws, 0.99), max(draws or [float("nan")])),
            "interval": (median(intervals), percentile(intervals, 0.99), max(intervals or [float("nan")])),
            "slow": sum(1 for d in draws if d > 33.0)}


def glide_there_and_back(args, folder, count, reach, settings="", during=None, extra_env=None):
    """One browser on `folder`: glides `reach` albums as soon as the opening is
    over (only the nearest covers are there), rests, and glides back over them
    once resident. Returns the frames of both glides and what during(browser)
    said as the first glide began and once it had ended."""
    browser = started_browser(args, folder, settings=settings, extra_env=extra_env)
    browser.wait_for(lambda: browser.frames() and
                     browser.frames()[-1]["wall_ms"] - browser.frames()[0]["wall_ms"] > 2500, 60)
    start = browser.frames()[-1]["current"]
    key, back, step = ("Right", "Left", 1) if count - 1 - start >= start else ("Left", "Right", -1)
    steps = min(reach, (count - 1 - start) if step > 0 else start)
    target = start + step * steps
    first = len(browser.frames())
    said = [during(browser)] if during else None
    browser.press(key, steps)
    browser.wait_for(lambda: abs(browser.frames()[-1]["position"] - target) < 0.01, 60)
    middle = len(browser.frames())
    there = browser.frames()[first:middle]
    if during:
        said.append(during(browser))
    browser.wait_rest()
    middle = len(browser.frames())
    browser.press(back, steps)
    browser.wait_for(lambda: abs(browser.frames()[-1]["position"] - start) < 0.01, 60)
    resident = browser.frames()[middle:]
    browser.finish()
    return there, resident, said


def glide_rows(args, label, names, folder, count, reach, **options):
    """The table rows of args.runs glides there and back (glide_there_and_back), pooled: one row each way."""
    there_frames, back_frames = [], []
    for _ in range(args.runs):
        there, back, _ = glide_there_and_back(args, folder, count, reach, **options)
        there_frames += there
        back_frames += back
    rows = []
    for what, frames in zip(names, (there_frames, back_frames)):
        stats = glide_stats(frames)
        rows.append([label, what, stats["frames"]] + ["%.1f" % v for v in stats["draw"]] +
                    ["%.1f" % v for v in stats["interval"]] + [stats["slow"]])
    return rows


def loading(args):
    """Glides over covers while they load, back over them once resident, and over bare albums."""
    albums = 100
    libraries = [("3000-px JPEG covers", make_library(args.build, os.path.join(args.work, "covers-3000-%d" % albums),
                                                      albums, cover_size=3000, fmt="jpg")),
                 ("photographs 1-18 MP", photo_library(args)),
                 ("no pictures", make_library(args.build, os.path.join(args.work, "bare-%d" % albums), albums,
                                              covers=False))]
    rows = []
    for label, folder in libraries:
        count = len([name for name in os.listdir(folder) if os.path.isdir(os.path.join(folder, name))])
        rows += glide_rows(args, label, ("while loading", "back, resident"), folder, count, min(30, count - 1))
    table("3b. Gliding while covers load, and back once they are resident", command_for(args, "loading"),
          ["library", "glide", "frames", "draw p50", "draw p99", "draw max", "swap p50", "swap p99", "swap max",
           "draws > 33 ms"], rows,
          "Milliseconds. The glide starts as the opening ends (only the nearest covers are there) and runs "
          "up to 30 albums (arrow key pressed every 20 ms, as fast as a held key), then back over the same albums once the covers are "
          "resident. The first three frames of a glide are left out. %d run(s) pooled." % args.runs)


def tagged_library(folder, albums):
    """`albums` album folders, each one small MP3 whose ID3v2.3 tag holds a
    year and an artist (no picture), made once."""
    marker = folder + ".done"
    if os.path.exists(marker):
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    sound = bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(413)

    def text_frame(frame_id, text):
        body = b"\0" + text.encode()
        return frame_id.encode() + len(body).to_bytes(4, "big") + b"\0\0" + body
    for i in range(albums):
        frames = text_frame("TYER", str(1950 + i * 7 % 70)) + text_frame("TPE1", "Artist %d" % (i * 13 % 5000))
        size = len(frames)
        syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
        album = os.path.join(folder, "Album %06d" % i)
        os.mkdir(album)
        with open(os.path.join(album, "01.mp3"), "wb") as out:
            out.write(b"ID3\x03\x00\x00" + syncsafe + frames + sound * 2)
    open(marker, "w").close()
    return folder


def tagged_index(args, albums):
    """The tagged library of `albums` and a cache folder whose index holds every
    album's tags (written by a browser run once, then reused)."""
    import sqlite3
    folder = tagged_library(os.path.join(args.work, "tagged-%d" % albums), albums)
    cache = os.path.join(args.work, "tagged-%d-cache" % albums)
    if not os.path.exists(os.path.join(cache, "vellora", "library.sqlite.done")):
        # The index of an earlier start, with every album's tags in it.
        shutil.rmtree(cache, ignore_errors=True)
        browser = started_browser(args, folder, extra_env={"XDG_CACHE_HOME": cache})

        def tags_kept():
            try:
                with sqlite3.connect(os.path.join(cache, "vellora", "library.sqlite")) as db:
                    return db.execute("SELECT count(*) FROM album WHERE tags_modified IS NOT NULL").fetchone()[0]
            except sqlite3.Error:
                return 0
        browser.wait_for(lambda: tags_kept() >= albums, 600)
        browser.finish()
        open(os.path.join(cache, "vellora", "library.sqlite.done"), "w").close()
    return folder, cache


def tag_glide(args):
    """Gliding while the albums' tags are read in the background (a first
    start), against the same glide when the index already holds them."""
    albums = 50000
    folder, cache = tagged_index(args, albums)
    rows = []
    for label, env in (("tags being read (first start)", None),
                       ("tags in the index (second start)", {"XDG_CACHE_HOME": cache})):
        rows += glide_rows(args, label, ("glide", "back"), folder, albums, 30, extra_env=env)
    table("16b. Gliding while tags are read", command_for(args, "tagglide"),
          ["start", "glide", "frames", "draw p50", "draw p99", "draw max", "swap p50", "swap p99", "swap max",
           "draws > 33 ms"], rows,
          "Milliseconds. %d albums of one tagged MP3 each, no pictures. The glide starts as the opening ends "
          "(the tags of a first start are then being read: about 10,000 albums a second at rest) and runs 30 "
          "albums, then back. The first three frames of a glide are left out. %d run(s) pooled." % (albums, args.runs))


def first_covers(args):
    """Time from the first frame until every cover visible in the window is on screen."""
    albums = 100
    folder = make_library(args.build, os.path.join(args.work, "covers-3000-full-%d" % albums), albums,
                          cover_size=3000, fmt="jpg")
    # The generator leaves a few albums without a picture; here every album
    # needs one, so that the seven nearest albums are seven covers.
    names = sorted(name for name in os.listdir(folder) if os.path.isdir(os.path.join(folder, name)))
    covers = [os.path.join(folder, name, file) for name in names for file in os.listdir(os.path.join(folder, name))
              if file.lower().endswith(".jpg")]
    for name in names:
        if not any(file.lower().endswith(".jpg") for file in os.listdir(os.path.join(folder, name))):
            shutil.copyfile(covers[0], os.path.join(folder, name, "cover.jpg"))
    for name in os.listdir(folder):  # warm the page cache
        for root, _, files in os.walk(os.path.join(folder, name)):
            for file in files:
                with open(os.path.join(root, file), "rb") as data:
                    data.read()
    times = []
    for _ in range(max(args.runs, 3)):
        browser = started_browser(args, folder)

        def visible_loaded():
            frames = browser.frames()
            if not frames:
                return False
            current = frames[0]["current"]
            visible = min(current + 3, albums - 1) - max(current - 3, 0) + 1
            return frames[-1]["textures"] >= visible

        if browser.wait_for(visible_loaded, 60):
            frames = browser.frames()
            current = frames[0]["current"]
            visible = min(current + 3, albums - 1) - max(current - 3, 0) + 1
            done = next(f for f in frames if f["textures"] >= visible)
            times.append(done["wall_ms"] - frames[0]["wall_ms"])
        browser.finish()
    table("3c. First covers: from the first frame until every visible cover is on screen",
          command_for(args, "firstcovers"),
          ["library", "median (ms)", "max (ms)", "runs", "all runs (ms)"],
          [["100 albums, 3000-px JPEG, every album with a cover, warm cache", "%.0f" % median(times), "%.0f" % max(times or [float("nan")]),
            len(times), ", ".join("%.0f" % t for t in times)]],
          "The visible covers are the middle one and three on each side (the window shows fewer); nearest "
          "first, they are the first seven textures made, so the time is that of the first frame whose "
          "texture count reaches them.")


def load_note():
    with open("/proc/loadavg") as load:
        return "load average %s on %d cores when the section started" % (" / ".join(load.read().split()[:3]),
                                                                          os.cpu_count())


def bench_library(args, folder, *command):
    """A library written by bench/bench_library, reused when it is already there."""
    marker = folder + ".done"
    if not os.path.exists(marker):
        shutil.rmtree(folder, ignore_errors=True)
        subprocess.run([os.path.join(args.build, "bench", "bench_library")] + list(command) + [folder], check=True)
        open(marker, "w").close()
    return folder


def visible_covers_ms(browser, albums, timeout=60):
    """Milliseconds from the first frame until every visible album has its texture, or None."""
    def count(frames):
        current = frames[0]["current"]
        return min(current + 3, albums - 1) - max(current - 3, 0) + 1

    if not browser.wait_for(lambda: browser.frames() and browser.frames()[-1]["textures"] >= count(browser.frames()),
                            timeout):
        return None
    frames = browser.frames()
    done = next(f for f in frames if f["textures"] >= count(frames))
    return done["wall_ms"] - frames[0]["wall_ms"]


def hostile(args):
    """Each hostile file beside two ordinary albums: the ordinary covers' time to the
    screen, the browser's own peak memory, its exit status and what it said."""
    tool = os.path.join(args.build, "bench", "bench_library")
    kinds = subprocess.run([tool, "kinds"], capture_output=True, text=True, check=True).stdout.split()
    note = load_note()
    rows = []
    for kind in kinds:
        folder = bench_library(args, os.path.join(args.work, "hostile-" + kind), "hostile", kind)
        album = os.path.join(folder, "2 " + kind)
        hostile_file = os.path.join(album, os.listdir(album)[0])
        times, peaks, statuses, said = [], [], [], ""
        # The stand-in helper that spins when told to, for the file that takes long.
        env = ({"VELLORA_TAG_HELPER": os.path.join(args.build, "tests", "hostile-tag-helper")}
               if kind == "helper-spin" else None)
        for _ in range(args.runs):
            browser = started_browser(args, folder, extra_env=env)
            browser.wait_for(lambda: browser.frames() and browser.frames()[-1]["textures"] >= 2, 30)
            frames = browser.frames()
            shown = next((f for f in frames if f["textures"] >= 2), None)
            times.append(shown["wall_ms"] - frames[0]["wall_ms"] if shown else float("nan"))
            # The hostile file's own work ends with its line on standard error.
            browser.wait_for(lambda: browser.stderr_text().count("\n") >= 1 or browser.frames()[-1]["textures"] >= 3,
                             30)
            time.sleep(0.5)
            peaks.append(browser.peak_rss_bytes() / 2 ** 20)
            said = browser.stderr_text().strip().split(": ")[-1] if browser.stderr_text().strip() else "(nothing)"
            browser.finish()
            statuses.append(browser.process.returncode)
        rows.append([kind, "{:,}".format(os.path.getsize(hostile_file)), "%.0f" % median(times),
                     "%.0f" % max(times), "%.0f" % median(peaks), "%.0f" % max(peaks),
                     ", ".join(str(s) for s in sorted(set(statuses))), said])
    table("6. Hostile files: each beside two ordinary albums", command_for(args, "hostile"),
          ["hostile file", "bytes", "2 ordinary covers shown (ms after first frame, median)", "max (ms)",
           "peak RSS (MiB, median)", "max (MiB)", "exit status (Escape)", "the one line on stderr ends"], rows,
          "Written by `bench/bench_library hostile KIND FOLDER`: album 1 and 3 hold a 600-pixel JPEG cover, "
          "album 2 the hostile file (helper-spin: a tag on which the tests' stand-in tag helper spins, as "
          "any file that takes long would, until the browser's 2 s deadline stops it). Peak RSS is the browser's own VmHWM (its tag helper process is not "
          "counted), read once the hostile file's line was written. %d run(s) per file; %s." % (args.runs, note))


def embedded(args):
    """First covers when every cover is inside the albums' MP3 files, for two builds in turn."""
    albums = 100
    folder = bench_library(args, os.path.join(args.work, "embedded-%d" % albums), "embedded", str(albums), "600")
    for name in os.listdir(folder):  # warm the page cache
        for root, _, files in os.walk(os.path.join(folder, name)):
            for file in files:
                with open(os.path.join(root, file), "rb") as data:
                    data.read()
    builds = ([("before", args.before)] if args.before else []) + [("after", args.build)]
    note = load_note()
    times = {name: [] for name, _ in builds}
    for _ in range(max(args.runs, 3)):
        for name, build in builds:
            browser = started_browser(args, folder, build=build)
            elapsed = visible_covers_ms(browser, albums)
            if elapsed is not None:
                times[name].append(elapsed)
            browser.finish()
    rows = [[name, "%.0f" % median(times[name]), "%.0f" % max(times[name] or [float("nan")]), len(times[name]),
             ", ".join("%.0f" % t for t in times[name])] for name, _ in builds]
    if args.before and times["before"] and times["after"]:
        note += "; after / before (medians): %.2f" % (median(times["after"]) / median(times["before"]))
    table("3d. First covers from audio files: every visible cover inside an MP3's ID3v2 tag",
          command_for(args, ("--before BUILD " if args.before else "") + "embedded"),
          ["build", "median (ms)", "max (ms)", "runs", "all runs (ms)"], rows,
          "100 albums, each with three MP3 files whose ID3v2 tag holds a 600-pixel JPEG front cover "
          "(`bench/bench_library embedded 100 600 FOLDER`), warm cache; the time is from the first frame "
          "until the seven visible covers are textures, the two builds taken in turn; %s." % note)


def drop_page_cache(*folders):
    """Drops the page cache of the files below `folders` (this benchmark's own
    files, not the system's): posix_fadvise(POSIX_FADV_DONTNEED)."""
    for folder in folders:
        for root, _, files in os.walk(folder):
            for name in files:
                fd = os.open(os.path.join(root, name), os.O_RDONLY)
                os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
                os.close(fd)


def four_album_library(args, fmt):
    """Four albums, each with a 3000-px cover: whichever album the browser opens
    on, the first four covers on screen are these four, in every start."""
    folder = make_library(args.build, os.path.join(args.work, "covers-3000-%s-4" % fmt), 4, cover_size=3000, fmt=fmt)
    names = sorted(name for name in os.listdir(folder) if os.path.isdir(os.path.join(folder, name)))
    pictures = [os.path.join(folder, name, file) for name in names for file in os.listdir(os.path.join(folder, name))
                if file.lower().endswith("." + fmt)]
    for name in names:  # the generator leaves a few albums without a picture
        if not any(file.lower().endswith("." + fmt) for file in os.listdir(os.path.join(folder, name))):
            shutil.copyfile(pictures[0], os.path.join(folder, name, "cover." + fmt))
    return folder


def first_four_ms(args, folder, cache, scratch, settings="", extra_env=None, build=None):
    """One start on `folder` with its thumbnails in `cache`, the page cache of
    both dropped. Returns the ms from the first frame's swap, and from the start
    of its drawing pass (when the first covers are asked for), to the swap of the
    first frame with four cover textures (None when they never came), and the
    thumbnails in the cache once the start has written what it had to."""
    folder = os.path.realpath(folder)
    drop_page_cache(folder, cache)
    log = os.path.join(scratch, "frames.log")
    with open(os.path.join(scratch, "vellora.ini"), "w") as ini:
        ini.write("[vellora]\nmusicplayer=/bin/true\nautoplay=false\n" + settings)
    env = dict(os.environ, VELLORA_FRAME_LOG=log, XDG_CACHE_HOME=cache, **(extra_env or {}))
    thumbs = os.path.join(cache, "thumbnails")

    def written():
        return sum(len(files) for root, _, files in os.walk(thumbs) if os.path.basename(root) != "vellora-0.1")

    def frames():
        try:
            with open(log) as lines:
                return [line.split() for line in lines if line.startswith("frame ") and len(line.split()) == 8]
        except FileNotFoundError:
            return []

    process = subprocess.Popen([os.path.join(build or args.build, "vellora"), folder], cwd=scratch, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 30
    # Looked at ten times a second: the poll must not take a core from the browser.
    while time.time() < deadline and process.poll() is None and not any(int(f[7]) >= 4 for f in frames()):
        time.sleep(0.1)
    if "thumbnailcache=false" not in settings:  # the thumbnails come after the covers
        while time.time() < deadline and process.poll() is None and written() < 4:
            time.sleep(0.1)
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    rows = frames()
    os.remove(log)
    done = next((f for f in rows if int(f[7]) >= 4), None)
    if not done:
        return None, None, written()
    first_swap = float(rows[0][2])
    first_start = first_swap - float(rows[0][3]) / 1000
    return float(done[2]) - first_swap, float(done[2]) - first_start, written()


def thumbnails(args):
    """First start against second start: four 3000-px covers, JPEG and PNG, on
    a local folder and on a slow one (bench/slow_folder_shim.c); with --before,
    that build's starts too, taken in turn."""
    shim = os.path.join(args.build, "bench", "libslow_folder_shim.so")
    note = load_note()
    off_setting = "thumbnailcache=false\n"
    starts = ("off", "first", "second")
    builds = [("this build", args.build)] + ([("before", args.before)] if args.before else [])
    rows = []
    for fmt, label in (("jpg", "JPEG"), ("png", "PNG")):
        folder = os.path.realpath(four_album_library(args, fmt))
        for where, env in (("local", None),
                           ("slow", {"LD_PRELOAD": shim, "VELLORA_SLOW_FOLDER": folder, "VELLORA_SLOW_DELAY_MS": "20"})):
            swap = {(name, start): [] for name, _ in builds for start in starts}
            begun = {(name, start): [] for name, _ in builds for start in starts}
            thumbs = {name: [] for name, _ in builds}
            for _ in range(args.runs):
                for name, build in builds:
                    scratch = tempfile.mkdtemp(prefix="vellora-first4-")
                    cache = os.path.join(scratch, "cache")
                    # The first start in a fresh folder is slower whatever it does
                    # (Mesa fills its shader cache there): thrown away.
                    first_four_ms(args, folder, cache, scratch, off_setting, env, build)
                    for start, settings in zip(starts, (off_setting, "", "")):
                        from_swap, from_start, written = first_four_ms(args, folder, cache, scratch, settings, env,
                                                                       build)
                        if from_swap is not None:
                            swap[(name, start)].append(from_swap)
                            begun[(name, start)].append(from_start)
                        if start == "first":
                            thumbs[name].append(written)
                    shutil.rmtree(scratch)
            for name, _ in builds:
                for measure, times in (("first frame shown", swap), ("first frame begun", begun)):
                    m = {start: median(times[(name, start)]) for start in starts}
                    rows.append([label, where, name, measure, "%.0f" % m["off"], "%.0f" % m["first"],
                                 "%.0f" % m["second"], "%.2f" % (m["first"] / m["off"]),
                                 "%.2f" % (m["second"] / m["first"]), ", ".join(str(t) for t in sorted(set(thumbs[name]))),
                                 " / ".join(", ".join("%.0f" % t for t in times[(name, start)]) for start in starts)])
    table("7. Thumbnail cache: first four covers, first start against second start",
          command_for(args, ("--before BUILD " if args.before else "") + "thumbnails"),
          ["covers", "folder", "build", "from", "cache off (ms)", "first start (ms)", "second start (ms)", "first / off",
           "second / first", "thumbnails written", "all runs: off / first / second (ms)"], rows,
          "Four albums with a 3000 x 3000 cover each, so that the first four covers on screen are the same four "
          "in every start (the browser opens on a random album). The time runs to the swap of the first frame "
          "with four cover textures, from the swap of the first frame (\"first frame shown\": what the user "
          "waits for) or from the start of its drawing pass (\"first frame begun\": the first covers are asked "
          "for in that pass, whose first drawing takes 60-80 ms of software GL set-up that the loader works "
          "beside). Medians of %d rounds; each round, in a fresh cache folder, one start thrown away, then a "
          "start with `thumbnailcache = false`, a first start (empty cache: it decodes the pictures and writes "
          "512-px thumbnails after the covers) and a second start (it reads them). The page cache of the album "
          "files and of the thumbnail folder is dropped before every start with "
          "posix_fadvise(POSIX_FADV_DONTNEED). Slow: `build/bench/libslow_folder_shim.so` preloaded, which makes "
          "every open (of a file or a folder) and every read below the music folder wait 20 ms; the thumbnail "
          "folder is not slowed.%s %s." % (args.runs, " The builds are taken in turn, round after round."
                                          if args.before else "", note))


def thumbglide(args):
    """Gliding while the thumbnails are written, against gliding without the cache and the resident glide."""
    albums = 100
    folder = make_library(args.build, os.path.join(args.work, "covers-3000-%d" % albums), albums, cover_size=3000,
                          fmt="jpg")
    count = len([name for name in os.listdir(folder) if os.path.isdir(os.path.join(folder, name))])
    note = load_note()

    def thumbnails_now(browser):
        return sum(len(files) for _, _, files in os.walk(os.path.join(browser.scratch, "cache", "thumbnails")))

    configurations = (("thumbnail cache off", "thumbnailcache=false\n"),
                      ("thumbnail cache on, empty: thumbnails written", ""))
    glides = {label: ([], [], []) for label, _ in configurations}  # loading frames, resident frames, written
    for _ in range(args.runs):  # the two taken in turn, so that a busy machine weighs on both alike
        for label, settings in configurations:
            there, back, said = glide_there_and_back(args, folder, count, min(30, count - 1), settings,
                                                     thumbnails_now)
            glides[label][0].extend(there)
            glides[label][1].extend(back)
            glides[label][2].append(said[1] - said[0])
    rows, resident_p99 = [], {}
    for label, settings in configurations:
        loading_frames, resident_frames, written = glides[label]
        for what, frames in (("while loading", loading_frames), ("back, resident", resident_frames)):
            stats = glide_stats(frames)
            row = [label, what, stats["frames"]] + ["%.1f" % v for v in stats["draw"]] + [stats["slow"]]
            if what == "while loading":
                row.append("%.0f" % median(written) if settings == "" else "")
            else:
                row.append("")
                resident_p99[label] = stats["draw"][1]
            rows.append(row)
        loading_p99 = glide_stats(loading_frames)["draw"][1]
        target = 1.5 * resident_p99[label] + 2
        rows[-2].append("%.1f ≤ %.1f: %s" % (loading_p99, target, "met" if loading_p99 <= target else "not met"))
        rows[-1].append("")
    table("8. Gliding while thumbnails are written", command_for(args, "thumbglide"),
          ["library: 100 albums, 3000-px JPEG", "glide", "frames", "draw p50", "draw p99", "draw max",
           "draws > 33 ms", "thumbnails written during the glide (median)",
           "draw p99 ≤ 1.5 × resident p99 + 2 ms"], rows,
          "Milliseconds. As section 3b: the glide starts as the opening ends and runs 30 albums (arrow key "
          "every 20 ms), then back once the covers are resident; warm page cache; with the cache on each run "
          "starts with an empty thumbnail cache, so the loader writes a thumbnail for each cover it decodes "
          "(after the covers asked for). %d run(s) of each pooled, the two taken in turn; %s." % (args.runs, note))


def memory(args):
    limit = args.memory_limit_gib * 1024 ** 3
    albums = 5000
    folder = make_library(args.build, os.path.join(args.work, "memory-5000"), albums, cover_size=1000)
    browser = Browser(args.build, folder)
    browser.find_window()
    browser.wait_rest()
    # The browser opens on a random album: go to the first one (Home), so the
    # walk can visit all of them, counting the albums visited from there.
    browser.press("Home", 1)
    browser.wait_for(lambda: browser.frames()[-1]["current"] == 0, 60)
    browser.wait_rest()
    start = browser.frames()[-1]["current"]
    key, step = ("Right", 1) if albums - 1 - start >= start else ("Left", -1)
    room = (albums - 1 - start) if step > 0 else start
    rows, stopped, row_end = [], None, False

    def visited(frames):
        return abs(frames[-1]["current"] - start) + 1 if frames else 0

    browser.key("keydown", key)
    deadline = time.time() + 1200
    frames, rss = browser.frames(), browser.rss_bytes()
    for target in (100, 1000, 5000):
        if target - 1 > room:
            row_end, target = True, room + 1
        # One reading of frames and memory per check, so the row and the
        # decision to stop come from the same moment.
        while time.time() < deadline and browser.process.poll() is None:
            frames, rss = browser.frames(), browser.rss_bytes()
            if visited(frames) >= target or rss > limit:
                break
            time.sleep(0.05)
        rows.append([visited(frames), "%.0f" % (rss / 2 ** 20), frames[-1]["textures"]])
        if rss > limit:
            stopped = visited(frames)
            break
        if row_end:
            break
    browser.key("keyup", key)
    browser.finish()
    summary = browser.textures_summary
    per_texture = summary[1] / summary[0] if summary and summary[0] else 0
    texture_rows = [row + ["%.0f" % (row[2] * per_texture / 2 ** 20)] for row in rows]
    note = ("The walk starts at album %d of %d (Home); %s is held from there and resident "
            "memory (VmRSS) is read when the number of albums visited passes each count. Texture memory is "
            "the number of cover textures times the measured size of one (all mip levels at 4 bytes a texel: "
            "%.1f MiB for a 1000-pixel cover, decoded at 512 x 512). Past the texture budget (256 MiB by default) the "
            "covers farthest from the position are released." % (start, albums, key, per_texture / 2 ** 20))
    if stopped is not None:
        note += (" The run was stopped after %d albums (the last row) because resident memory passed the "
                 "%d GiB safety limit of this benchmark; at that rate 5,000 albums would need about %.0f GiB of textures."
                 % (stopped, args.memory_limit_gib, 5000 * per_texture / 2 ** 30))
    elif row_end:
        note += " The end of the row came after %d albums." % (room + 1)
    table("4. Memory: resident memory after visiting albums with 1000-pixel covers",
          command_for(args, "memory"),
          ["albums visited", "resident (MiB)", "cover textures", "texture memory est. (MiB)"], texture_rows, note)


def rest(args):
    folder = make_library(args.build, os.path.join(args.work, "rest-60"), 60, cover_size=600, fmt="mixed")
    shares = []
    for _ in range(args.runs):
        browser = Browser(args.build, folder)
        browser.find_window()
        browser.wait_rest(quiet_seconds=3)
        before = browser.cpu_seconds()
        time.sleep(10)
        used = browser.cpu_seconds() - before
        browser.finish()
        shares.append(used / 10 * 100)
    table("5. Rest: CPU time over 10 seconds at rest", command_for(args, "rest"),
          ["library", "CPU at rest (% of one core, median)", "runs", "all runs (%)"],
          [["60 albums, mixed covers", "%.2f" % median(shares), len(shares),
            ", ".join("%.2f" % s for s in shares)]],
          "Measured from /proc/PID/stat (user + system time) once the glide has ended and the idle loading "
          "of the neighbouring covers has finished (no frame drawn for 3 s).")



class OwnXServer:
    """An Xvfb of the given screen ("1920x1080") made the DISPLAY of this
    process (the browser and xdotool inherit it) while the block runs."""

    def __init__(self, screen):
        self.screen = screen

    def __enter__(self):
        read, write = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp", "-screen", "0",
                                        self.screen + "x24"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb %s did not start" % self.screen)
        self.previous = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = ":" + number.decode()
        return self

    def __exit__(self, *exc):
        self.server.terminate()
        self.server.wait()
        os.environ["DISPLAY"] = self.previous or ""


SCREENS = [("600 x 600 window", "1024x768", False), ("1920 x 1080 full screen", "1920x1080", True),
           ("3840 x 2160 full screen", "3840x2160", True)]


def resident_glides(args, build, folder, full, reach=12, middle=20):
    """One browser: full screen if asked (moved to the screen's corner, which
    builds before F11 found its corner without a window manager did not do), the row brought to album `middle`, one glide
    of `reach` albums there and back to load the covers, then the same glide
    measured over resident covers. Returns its frames and the GL renderer."""
    browser = started_browser(args, folder, build=build)
    if full:
        browser.key("key", "F11")
        subprocess.run(["xdotool", "windowmove", browser.find_window(), "0", "0"], timeout=10)
    browser.press("Home", 1)
    browser.press("Right", middle)
    at = lambda target: lambda: bool(browser.frames()) and abs(browser.frames()[-1]["position"] - target) < 0.01
    browser.wait_for(at(middle), 60)
    for measured in (False, True):
        browser.wait_rest()
        first = len(browser.frames())
        for key, target in (("Right", middle + reach), ("Left", middle)):
            browser.press(key, reach)
            browser.wait_for(at(target), 60)
        frames = browser.frames()[first:]
    browser.finish()
    return frames, browser.renderer


def fullscreen(args):
    """Gliding over resident 800-px covers in a 600 x 600 window and full screen at 1920 x 1080 and 3840 x 2160,
    each in an X server of that size; with --before the two builds take turns."""
    builds = [("before", args.before), ("after", args.build)] if args.before else [("this build", args.build)]
    folder = make_library(args.build, os.path.join(args.work, "covers-800-60"), 60, cover_size=800)
    note = load_note()
    rows = []
    for label, screen, full in SCREENS:
        frames = {name: [] for name, _ in builds}
        with OwnXServer(screen):
            for _ in range(args.runs):
                for name, build in builds:
                    glide, renderer = resident_glides(args, build, folder, full)
                    frames[name] += glide
        for name, _ in builds:
            stats = glide_stats(frames[name])
            rows.append([label, name, stats["frames"]] + ["%.1f" % v for v in stats["draw"]] +
                        ["%.1f" % v for v in stats["interval"]] + [stats["slow"]])
    with open("/proc/loadavg") as load:
        after = " / ".join(load.read().split()[:3])
    table("10. Full screen: gliding over resident covers", command_for(args, ("--before BEFORE " if args.before else "")
                                                                    + "fullscreen"),
          ["screen", "build", "frames", "draw p50", "draw p99", "draw max", "swap p50", "swap p99", "swap max",
           "draws > 33 ms"], rows,
          "Milliseconds; GL renderer: %s. 60 albums with 800-px JPEG covers; the row is brought to album 20 "
          "and glides 12 albums on and back (an arrow key every 20 ms) once to load the covers, then again over "
          "the resident covers, which is what is measured. Each screen is an Xvfb of its own with no window "
          "manager; a full-screen window is moved to the screen's corner. Draw is the drawing pass (scene, "
          "caption, swap); the first three frames are left out; %d run(s) pooled%s; "
          "%s, %s when it ended." % (renderer, args.runs, ", the builds in turn" if args.before else "", note,
                                     after))


def order_keys(args):
    """F2 four times, 3 s apart, once the opening is over and the index holds
    every album's tags: the order's work on the frame thread (the "change"
    line) and the drawing of the frame after it."""
    albums = 50000
    folder, cache = tagged_index(args, albums)
    orders = ("added", "year", "artist", "name")
    work, draws = {order: [] for order in orders}, {order: [] for order in orders}
    for _ in range(args.runs):
        browser = started_browser(args, folder, settings="order=name\n", extra_env={"XDG_CACHE_HOME": cache})
        browser.wait_for(lambda: browser.frames() and
                         browser.frames()[-1]["wall_ms"] - browser.frames()[0]["wall_ms"] > 2500, 60)
        browser.wait_rest()
        for order in orders:
            changes, drawn = len(browser.log_lines("change")), len(browser.frames())
            browser.key("key", "F2")
            browser.wait_for(lambda: len(browser.log_lines("change")) > changes and len(browser.frames()) > drawn, 30)
            work[order].append(float(browser.log_lines("change")[-1].split()[1]) / 1000)
            draws[order].append(browser.frames()[drawn]["draw_us"] / 1000)
            time.sleep(3)
        browser.finish()
    rows = [[order, "%.1f" % median(work[order]), "%.1f" % max(work[order]), "%.1f" % median(draws[order]),
             "%.1f" % max(draws[order])] for order in orders]
    table("16c. F2 in the real program", command_for(args, "orderkeys"),
          ["F2 to", "order's work p50", "max", "next frame's drawing p50", "max"], rows,
          "Milliseconds. %d albums of one tagged MP3 each, no pictures, `order = name`, the tags in the index; "
          "%d run(s)." % (albums, args.runs))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--memory-limit-gib", type=int, default=12)
    parser.add_argument("--before", help="a second build for startup-compare, embedded, thumbnails and fullscreen")
    parser.add_argument("sections", nargs="*",
                        default=["startup", "smoothness", "loading", "firstcovers", "memory", "rest", "hostile",
                                 "embedded", "thumbnails", "thumbglide"])
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("browser_bench.py needs an X display; run it under xvfb-run")
    # The browser runs in a scratch folder of its own: every path it gets is absolute.
    args.build, args.work = os.path.abspath(args.build), os.path.abspath(args.work)
    if args.before:
        args.before = os.path.abspath(args.before)
    os.makedirs(args.work, exist_ok=True)
    for section in args.sections:
        {"startup": startup, "startup-compare": startup_compare, "smoothness": smoothness, "loading": loading,
         "firstcovers": first_covers, "memory": memory, "rest": rest, "hostile": hostile,
         "embedded": embedded, "thumbnails": thumbnails, "thumbglide": thumbglide,
         "fullscreen": fullscreen, "indexstart": index_start,
         "indexcovers": index_covers, "tagglide": tag_glide, "orderkeys": order_keys}[section](args)


if __name__ == "__main__":
    main()
