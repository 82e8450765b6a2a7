#!/usr/bin/env python3
"""Usage: live_library_bench.py BUILD_DIR LIBRARY [RUNS]
       live_library_bench.py BUILD_DIR --albums N [--depth D [--per-artist M]] [--runs RUNS]
                             [--glide] [--share [--interval S]]

How soon an album moved into the music folder while the browser runs is in
the row: the album is moved in (one rename, so its folder is whole and quiet
from that moment), before the selected album, and the time until the first
frame whose selection has moved on by one is taken from the frame log. The
browser waits for the folder to be quiet for half a second before it lists
it, so that half second is part of every figure. LIBRARY is left as it was.

With --albums the music folder is made here instead: N empty album folders
(depth 1), or N / M artist folders of M (depth 2, M 10 unless given), the
album moved into the first artist's folder. --glide holds the Right key while the album comes in,
so that every frame is drawn, and prints the longest frame (swap to swap) and
the frame thread's work for the change (the frame log's change line).
--share puts the music folder behind bench/slow_folder_shim.c (20 ms for every
open, opendir and stat below it) with no folder watch to be had
(VELLORA_FOLDER_WATCHES=0), as a network share is followed: by listing it
again every --interval seconds (rescaninterval, default 60).
Run it under an X server (xvfb-run)."""
import argparse, os, shutil, subprocess, sys, tempfile, time

parser = argparse.ArgumentParser(usage=__doc__)
parser.add_argument("build")
parser.add_argument("library", nargs="?")
parser.add_argument("runs_positional", nargs="?", type=int)
parser.add_argument("--runs", type=int, default=5)
parser.add_argument("--albums", type=int)
parser.add_argument("--depth", type=int, default=1)
parser.add_argument("--per-artist", type=int, default=10)
parser.add_argument("--glide", action="store_true")
parser.add_argument("--share", action="store_true")
parser.add_argument("--interval", type=int, default=60)
args = parser.parse_args()
build = os.path.abspath(args.build)
runs = args.runs_positional or args.runs
if not args.library and not args.albums:
    parser.error("give LIBRARY or --albums N")


def lines(log, tag):
    try:
        return [l.split() for l in open(log) if l.startswith(tag + " ")]
    except FileNotFoundError:
        return []


def wait_for(condition, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        found = condition()
        if found:
            return found
        time.sleep(0.01)
    return None


def make_library(music, albums, depth, per_artist):
    os.mkdir(music)
    if depth == 1:
        for i in range(albums):
            os.mkdir(os.path.join(music, "Golden Iron Amber - Album %06d" % i))
        return music
    for a in range(max(albums // per_artist, 1)):
        artist = os.path.join(music, "The Artist Called Number %05d" % a)
        os.mkdir(artist)
        for b in range(per_artist):
            os.mkdir(os.path.join(artist, "Album Title %02d" % b))
    old = 1600000000  # a library's folders on a share are not new
    for entry in os.scandir(music):
        os.utime(entry.path, (old, old))
    os.utime(music, (old, old))
    return os.path.join(music, sorted(os.listdir(music))[0])


scratch = tempfile.mkdtemp(prefix="vellora-live-")
music = os.path.join(scratch, "music")
if args.albums:
    target = make_library(music, args.albums, args.depth, args.per_artist)  # where albums are moved in
    model = None
else:
    shutil.copytree(args.library, music)
    target = music
    model = os.path.join(music, sorted(n for n in os.listdir(music) if not n.startswith("."))[0])
settings = "[vellora]\nmusicplayer=/bin/true\nautoplay=false\ndepth=%d\n" % args.depth
if args.share:
    settings += "rescaninterval=%d\n" % args.interval
open(os.path.join(scratch, "vellora.ini"), "w").write(settings)
log = os.path.join(scratch, "frames.log")
env = dict(os.environ, VELLORA_FRAME_LOG=log, XDG_CACHE_HOME=os.path.join(scratch, "cache"))
if args.share:
    env.update(LD_PRELOAD=os.path.join(build, "bench", "libslow_folder_shim.so"), VELLORA_SLOW_FOLDER=music,
               VELLORA_FOLDER_WATCHES="0")
started = time.time()
browser = subprocess.Popen([os.path.join(build, "vellora"), music], cwd=scratch, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
try:
    window = wait_for(lambda: subprocess.run(["xdotool", "search", "--pid", str(browser.pid)],
                                             capture_output=True, text=True).stdout.split(), 600)[0]
    wait_for(lambda: lines(log, "frame"), 600)
    print("library of %s albums at depth %d%s; first frame %.1f s after start" %
          (args.albums or "the given", args.depth,
           ", on a share followed every %d s" % args.interval if args.share else "", time.time() - started))
    subprocess.run(["xdotool", "key", "--window", window, "Home"] + ["Right"] * 5)
    selection = 5
    wait_for(lambda: lines(log, "frame") and lines(log, "frame")[-1][5] == str(selection) and
             float(lines(log, "frame")[-1][6]) == selection)
    delays, longest, work, calm = [], [], [], []
    for run in range(runs):
        staging = os.path.join(scratch, "staging")
        if model:
            shutil.copytree(model, staging)
        else:
            os.mkdir(staging)
        time.sleep(1)  # the browser at rest, the copy's own writes long done
        if args.glide:
            subprocess.run(["xdotool", "keydown", "--window", window, "Right"])
        moved_at = time.time() * 1000
        os.rename(staging, os.path.join(target, "!live %d" % run))  # sorts before every album
        # Gliding, the selection moves on by itself; the change is in the change line.
        if args.glide:
            seen = wait_for(lambda: [c for c in lines(log, "change") if float(c[1]) >= moved_at],
                            args.interval + 60 if args.share else 60)
            time.sleep(0.5)
            subprocess.run(["xdotool", "keyup", "--window", window, "Right"])
            shown_at = float(seen[0][1]) if seen else None
            if seen:
                work.append(float(seen[0][2]) / 1000)
                span = shown_at + 500 - moved_at
                near = [f for f in lines(log, "frame") if moved_at <= float(f[2]) <= shown_at + 500]
                longest.append(max(float(f[4]) for f in near) / 1000 if near else None)
                # The same span of the glide just before the move: what a frame costs without a change.
                before = [f for f in lines(log, "frame") if moved_at - span <= float(f[2]) < moved_at]
                calm.append(max(float(f[4]) for f in before) / 1000 if before else None)
            subprocess.run(["xdotool", "key", "--window", window, "Home"] + ["Right"] * 5)
            wait_for(lambda: lines(log, "frame")[-1][5] == "5" and float(lines(log, "frame")[-1][6]) == 5)
        else:
            selection += 1
            shown = wait_for(lambda: [f for f in lines(log, "frame") if f[5] == str(selection) and
                                      float(f[2]) >= moved_at],
                             args.interval + 60 if args.share else 20)
            shown_at = float(shown[0][2]) if shown else None
        delays.append(round(shown_at - moved_at) if shown_at else None)
    print("album in the row, ms after it was moved in%s:" %
          ("" if args.share else " (half a second of quiet included)"), delays)
    ok = [d for d in delays if d is not None]
    if ok and not args.share:
        print("median %d ms, so %d ms after the folder had been quiet for half a second" %
              (sorted(ok)[len(ok) // 2], sorted(ok)[len(ok) // 2] - 500))
    elif ok:
        print("median %.1f s, longest %.1f s, with rescaninterval %d s" %
              (sorted(ok)[len(ok) // 2] / 1000, max(ok) / 1000, args.interval))
    if args.glide:
        print("frame thread's work for each change (ms):", work)
        print("longest frame, swap to swap, from the move until half a second after the change (ms):",
              [round(x, 1) if x else None for x in longest])
        print("longest frame of the glide over as long a span just before the move (ms):",
              [round(x, 1) if x else None for x in calm])
finally:
    browser.kill()
    browser.wait()
    shutil.rmtree(scratch)
