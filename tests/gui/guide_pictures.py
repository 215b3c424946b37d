"""The pictures of docs/exercises.md: each example file of the guide as the viewer draws it.

case_guide_pictures runs the real viewer on every example of the guide (a
simulator folder holding the guide's navaids, docs/exercises/navaids.csv, and
nothing else), presses "IFR" (and sets the zoom the example asks for), crops the
window to what the exercise drew and compares that with the committed picture
docs/exercises/NAME.png. With --update it writes the pictures instead:

    bash tools/guide-pictures.sh

An example is a fenced xml block right after a line `<!-- example: NAME zoom=Z -->`.
"""

import os
import re
import subprocess
import time

from guiharness import TestFailure, check, CONVERT, Image

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
GUIDE = os.path.join(ROOT, "docs", "exercises.md")
PICTURES = os.path.join(ROOT, "docs", "exercises")
EXAMPLE_RE = re.compile(r"<!-- example: ([\w-]+) zoom=(\d+) -->\s*```xml\n(.*?)```", re.S)

# The pictures are taken in a window of twice the start size: the chart shows the
# same area with twice the pixels, so labels stay legible.
SIZE = (1280, 960)
# The chart area without the panel: sliders left, right and bottom, buttons on
# top, the status texts above the bottom slider (window pixels, top-left origin).
CHART_AREA = (20, 20, SIZE[0] - 20, SIZE[1] - 40)
COURSE = (165, 175, 165)            # the course-line colour, 0.647 0.686 0.647
MARGIN = 16
LABEL_WIDTH = 150   # "QDR : 315.00" at the labels' size in the enlarged window
# Pixels whose colour may differ by more than TOLERANCE in a channel before the
# picture counts as changed: Mesa's software renderer gives the same pixels run
# after run here, so only a handful is allowed.
TOLERANCE = 24
MAX_DIFFERENT = 20


def examples():
    with open(GUIDE, encoding="utf-8") as f:
        text = f.read()
    found = [(m.group(1), int(m.group(2)), m.group(3)) for m in EXAMPLE_RE.finditer(text)]
    check(found, "no examples in %s" % GUIDE)
    return found


def navaid_rows():
    rows = []
    with open(os.path.join(PICTURES, "navaids.csv"), encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                k, ident, name, var, flags, lat, lon = line.split(",")
                rows.append((k, ident, name, var, flags, lat, lon))
    return rows


def exercise_box(img):
    """The box around what the exercise drew: its course lines and waypoint dots, with room
    for the labels, which start at a line's end and run to the right."""
    x0, y0, x1, y1 = CHART_AREA
    xs, ys = [], []
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = img.pixel(x, y)
            if (all(abs(p[i] - COURSE[i]) <= 6 for i in range(3))
                    or (p[0] >= 235 and 110 <= p[1] <= 140 and p[2] <= 20)):    # bearing waypoint, orange
                xs.append(x)
                ys.append(y)
    check(xs, "nothing of the exercise is on screen")
    return (max(x0, min(xs) - MARGIN), max(y0, min(ys) - 2 * MARGIN),
            min(x1, max(xs) + LABEL_WIDTH), min(y1, max(ys) + 3 * MARGIN))


def crop(img, box):
    x0, y0, x1, y1 = box
    rows = [img.data[(y * img.w + x0) * 3:(y * img.w + x1) * 3] for y in range(y0, y1)]
    return Image(x1 - x0, y1 - y0, b"".join(rows))


def to_png(img, path):
    ppm = b"P6\n%d %d\n255\n" % (img.w, img.h) + img.data
    res = subprocess.run([CONVERT, "ppm:-", "-strip", "-define", "png:exclude-chunks=date,time", "png:" + path],
                         input=ppm, capture_output=True, timeout=60)
    check(res.returncode == 0, "convert could not write %s: %s" % (path, res.stderr.decode(errors="replace")))


def from_png(path):
    res = subprocess.run([CONVERT, "png:" + path, "ppm:-"], capture_output=True, timeout=60)
    check(res.returncode == 0, "convert could not read %s" % path)
    return Image.from_ppm(res.stdout)


def different_pixels(a, b):
    n = 0
    for i in range(0, len(a.data), 3):
        if any(abs(a.data[i + k] - b.data[i + k]) > TOLERANCE for k in range(3)):
            n += 1
    return n


def set_zoom(s, z, h=480):
    """"ZM" to about z: the slider to 0 first, then a click at z's height."""
    before = s.snap()
    s.click(9, 479)
    s.click(9, int(round(h - 0.05 * h - z * 0.9 * h / 2500.0 - 0.5)))
    s.wait_change(before)


def enlarge(s):
    """The chart window at SIZE, once frames of that size are on screen and steady."""
    s.xdo("windowmove", s.chart_wid, 0, 0)   # all of it on the screen
    s.xdo("windowsize", s.chart_wid, SIZE[0], SIZE[1])
    deadline = time.time() + 30
    last = None
    while time.time() < deadline:
        img = s.screenshot()
        if (img.w, img.h) == SIZE and last is not None and img.data == last.data:
            return img
        last = img if (img.w, img.h) == SIZE else None
        s.wait_frames(2)
    raise TestFailure("the chart window did not settle at %dx%d (last %dx%d, geometry %s)"
                      % (SIZE + (img.w, img.h, s.geometry(s.chart_wid))))


def case_guide_pictures(fx, session):
    update = fx.tools.get("update", False)
    fx.navaids(navaid_rows())
    fx.font()
    failures = []
    for name, zoom, xml in examples():
        fx.write("DATA/IFR_EXERCISES.xml", xml)
        s = session(trace=False, name=name).start()
        s.wait_chart()
        s.wait_drawn()
        out = s.stdout()
        check("ERROR" not in out, "example %s: the viewer reports an error: %r" % (name, out[-300:]))
        s.act(lambda: s.click(202, 9))       # "IFR": centre on the exercise, ZM 1225
        if zoom != 1225:
            set_zoom(s, zoom)
        img = enlarge(s)
        s.stop()
        picture = crop(img, exercise_box(img))
        path = os.path.join(PICTURES, name + ".png")
        if update:
            to_png(picture, path)
            print("wrote %s (%dx%d, %d bytes)" % (os.path.relpath(path, ROOT), picture.w, picture.h,
                                                 os.path.getsize(path)))
            continue
        if not os.path.exists(path):
            failures.append("%s: no committed picture %s" % (name, path))
            continue
        committed = from_png(path)
        if (committed.w, committed.h) != (picture.w, picture.h):
            diff = None
        else:
            diff = different_pixels(committed, picture)
        if diff is None or diff > MAX_DIFFERENT:
            actual = os.path.abspath("guide-%s.actual.png" % name)
            to_png(picture, actual)
            failures.append("%s: the viewer now draws %s (%dx%d%s) instead of %s (%dx%d)" % (
                name, actual, picture.w, picture.h, "" if diff is None else ", %d pixels differ" % diff,
                os.path.relpath(path, ROOT), committed.w, committed.h))
    if failures:
        raise TestFailure("guide pictures out of date (bash tools/guide-pictures.sh makes them anew):\n  "
                          + "\n  ".join(failures))
