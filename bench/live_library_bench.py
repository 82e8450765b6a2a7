#!/usr/bin/env python3
"""Usage: live_library_bench.py BUILD_DIR LIBRARY [RUNS]

How soon an album moved into the music folder while the browser runs is in
the row: the album is moved in (one rename, so its folder is whole and quiet
from that moment), before the selected album, and the time until the first
frame whose selection has moved on by one is taken from the frame log. The
browser waits for the folder to be quiet for half a second before it lists
it, so that half second is part of every figure. LIBRARY is left as it was.
Run it under an X server (xvfb-run)."""
import os, shutil, subprocess, sys, tempfile, time

build, library, runs = os.path.abspath(sys.argv[1]), sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 5

def frames(log):
    try:
        return [l.split() for l in open(log) if l.startswith("frame ")]
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

scratch = tempfile.mkdtemp(prefix="vellora-live-")
music = os.path.join(scratch, "music")
shutil.copytree(library, music)
model = os.path.join(music, sorted(n for n in os.listdir(music) if not n.startswith("."))[0])
open(os.path.join(scratch, "vellora.ini"), "w").write("[vellora]\nmusicplayer=/bin/true\nautoplay=false\n")
log = os.path.join(scratch, "frames.log")
env = dict(os.environ, VELLORA_FRAME_LOG=log, XDG_CACHE_HOME=os.path.join(scratch, "cache"))
browser = subprocess.Popen([os.path.join(build, "vellora"), music], cwd=scratch, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    window = wait_for(lambda: subprocess.run(["xdotool", "search", "--pid", str(browser.pid)],
                                             capture_output=True, text=True).stdout.split())[0]
    subprocess.run(["xdotool", "key", "--window", window, "Home"] + ["Right"] * 5)
    selection = 5
    wait_for(lambda: frames(log) and frames(log)[-1][5] == str(selection) and float(frames(log)[-1][6]) == selection)
    delays = []
    for run in range(runs):
        staging = os.path.join(scratch, "staging")
        shutil.copytree(model, staging)
        time.sleep(1)  # the browser at rest, the copy's own writes long done
        moved_at = time.time() * 1000
        os.rename(staging, os.path.join(music, "!live %d" % run))  # sorts before every album
        selection += 1
        shown = wait_for(lambda: [f for f in frames(log) if f[5] == str(selection)])
        delays.append(round(float(shown[0][2]) - moved_at) if shown else None)
    print("album in the row, ms after it was moved in (half a second of quiet included):", delays)
    ok = [d for d in delays if d is not None]
    if ok:
        print("median %d ms, so %d ms after the folder had been quiet for half a second" %
              (sorted(ok)[len(ok) // 2], sorted(ok)[len(ok) // 2] - 500))
finally:
    browser.kill()
    browser.wait()
    shutil.rmtree(scratch)
