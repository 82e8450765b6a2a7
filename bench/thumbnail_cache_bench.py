#!/usr/bin/env python3
"""Usage: thumbnail_cache_bench.py BUILD_DIR LIBRARY [RUNS]

Also prints a start with thumbnailcache = false, the browser as it was
before the cache, for the cost of writing the thumbnails.

First four covers on screen, first start (empty thumbnail cache) against
second start (the cache the first start wrote), 3000-px JPEG covers, the
library's page cache dropped before each start. Prints ms from the first
frame to the first frame with four cover textures. Run it under an X
server (xvfb-run); it never touches the desktop's own thumbnail cache."""
import os, subprocess, sys, tempfile, shutil

build, library, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 3

def drop(folder):
    for root, _, files in os.walk(folder):
        for name in files:
            fd = os.open(os.path.join(root, name), os.O_RDONLY)
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
            os.close(fd)

def start(cache, scratch, ini="[vellora]\nmusicplayer=/bin/true\nautoplay=false\n"):
    open(os.path.join(scratch, "vellora.ini"), "w").write(ini)
    log = os.path.join(scratch, "frames.log")
    drop(library)
    env = dict(os.environ, VELLORA_FRAME_LOG=log, VELLORA_EXIT_AFTER_FRAMES="60", XDG_CACHE_HOME=cache)
    subprocess.run([os.path.join(build, "vellora"), library], cwd=scratch, env=env, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    frames = [l.split() for l in open(log) if l.startswith("frame ")]
    first = float(frames[0][2])
    for f in frames:
        if int(f[7]) >= 4:
            return round(float(f[2]) - first)
    return None

firsts, seconds, off = [], [], []
for _ in range(runs):
    scratch = tempfile.mkdtemp(prefix="vellora-first4-")
    cache = os.path.join(scratch, "cache")
    # The first start in a fresh folder is slower whatever it does (about
    # 90 ms here): one start without the cache is thrown away first.
    without = "[vellora]\nmusicplayer=/bin/true\nautoplay=false\nthumbnailcache=false\n"
    start(cache, scratch, without)
    off.append(start(cache, scratch, without))
    firsts.append(start(cache, scratch))
    seconds.append(start(cache, scratch))
    shutil.rmtree(scratch)
print("first start ms:", firsts)
print("second start ms:", seconds)
print("cache off ms:", off)
