"""Harness for the viewer's window tests.

Builds a throw-away simulator folder (archives through podtool, the font
through txfgen, the text files written here), runs the real viewer in it on
a private Xvfb server, optionally under apitrace, drives it with xdotool and
reads back what it drew: GL calls from the trace, pixels from xwd.  Every
wait is bounded and every process started here is ended by its PID.
Standard library only, so CTest can run it on a fresh machine.
"""

import math
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

GLXTRACE = "/usr/lib/x86_64-linux-gnu/apitrace/wrappers/glxtrace.so"
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
CHART_TITLE = "TULM_COAST_&_RIVERS_VIEWER"
PROFILE_TITLE = "USER_ALTITUDE_VIEWER"

F32_PI = struct.unpack("f", struct.pack("f", 3.1415927))[0]

# The swap-counting preload (frame_counter.c), set from --frame-counter.
FRAME_COUNTER = None
FRAME_SLOTS = 16


class TestFailure(Exception):
    pass


def check(cond, message):
    if not cond:
        raise TestFailure(message)


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def near(a, b, tol):
    return abs(a - b) <= tol


# ---------------------------------------------------------------- units

def chart_x_from_seconds(lon):
    if lon <= 648000:
        return lon * 180.0 / 6480.0
    return (lon - 1296000) * 180.0 / 6480.0


def chart_y_from_seconds(lat):
    return lat * 90.0 / 3240.0


def destination_point(x, y, dist_nm, bearing_rad):
    """Great-circle destination in chart units (reference implementation)."""
    pi = F32_PI
    l1 = x * pi / 18000.0
    p1 = y * pi / 18000.0
    d = pi * dist_nm / 10800.0
    a = math.sin(p1) * math.cos(d) + math.cos(p1) * math.sin(d) * math.cos(bearing_rad)
    a = max(-1.0, min(1.0, a))
    p2 = math.asin(a)
    dl = math.atan2(math.sin(bearing_rad) * math.sin(d) * math.cos(p1),
                    math.cos(d) - math.sin(p1) * math.sin(p2))
    l2 = math.fmod(dl + l1 + pi, 2 * pi) - pi
    if l2 > pi:
        l2 -= 2 * pi
    elif l2 < -pi:
        l2 += 2 * pi
    return (l2 * 18000.0 / pi, p2 * 18000.0 / pi)


# ---------------------------------------------------------------- fixture

class Fixture:
    """A simulator folder; each test says which files exist."""

    def __init__(self, tools, keep=False):
        self.tools = tools
        self.root = tempfile.mkdtemp(prefix="gui-sim-")
        self.keep = keep
        for sub in ("SYSTEM", "data"):
            os.makedirs(os.path.join(self.root, sub), exist_ok=True)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def write(self, rel, text):
        p = self.path(*rel.split("/"))
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "w", newline="\n") as f:
            f.write(text)
        return p

    def _podtool(self, kind, rows, out):
        csv = self.path("%s.csv" % kind)
        with open(csv, "w") as f:
            f.write("# test fixture\n")
            for r in rows:
                f.write(",".join(str(v) for v in r) + "\n")
        res = subprocess.run([self.tools["podtool"], kind, csv, self.path("SYSTEM", out)],
                             capture_output=True, text=True, timeout=60)
        check(res.returncode == 0, "podtool %s failed: %s %s" % (kind, res.stdout, res.stderr))
        os.unlink(csv)

    def airports(self, rows):
        """rows: (key, shortIdent, ident, name, latSeconds, lonSeconds)"""
        self._podtool("airports", rows, "AIRPORT.POD")

    def runways(self, rows):
        """rows: (key, key2, lat1, lon1, lat2, lon2) in arc-seconds"""
        self._podtool("runways", rows, "RUNWAY.POD")

    def navaids(self, rows):
        """rows: (key, ident, name, variation, typeFlags, latSeconds, lonSeconds)"""
        self._podtool("navaids", rows, "NAVAID.POD")

    def polylines(self, rel, segments):
        """segments: lists of (lon, lat) degree pairs."""
        lines = ["%d 1 30" % len(segments)]
        for i, seg in enumerate(segments):
            xs = [p[0] for p in seg] or [0]
            ys = [p[1] for p in seg] or [0]
            lines.append("%d %g %g %g %g %d" % (i + 1, min(xs), max(xs), min(ys), max(ys), len(seg)))
            for lon, lat in seg:
                lines.append("%s %s" % (repr(lon), repr(lat)))
        self.write(rel, "\n".join(lines) + "\n")

    def track(self, points, rel="data/__ORVANDEL.dat", mode=1):
        """points: (latSeconds, lonSeconds, altitudeFt, dtSeconds)"""
        text = "%d 0 0\n" % mode
        for lat, lon, alt, dt in points:
            text += "%.2f %.2f %.2f %.2f\n" % (lat, lon, alt, dt)
        return self.write(rel, text)

    def exercises(self, xml_body, title="TEST SET"):
        self.write("DATA/IFR_EXERCISES.xml",
                   "<DATA>\n<EXERC>%s</EXERC>\n%s</DATA>\n" % (title, xml_body))

    def font(self):
        res = subprocess.run([self.tools["txfgen"], "--size", "24", self.path("data", "Helvetica.txf")],
                             capture_output=True, text=True, timeout=120)
        check(res.returncode == 0, "txfgen failed: %s %s" % (res.stdout, res.stderr))
        return self.path("data", "Helvetica.txf")

    def cleanup(self):
        if not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)


def exercise_xml(index, navaid_id, navaid_type, name, form, **keys):
    nav = keys.pop("nav", {})
    navs = "".join("<%s>%s</%s>" % (k, v, k) for k, v in nav.items())
    form_keys = "".join("<%s>%s</%s>" % (k, v, k) for k, v in keys.items())
    return ("<DATA%02d>\n<NAVAID><NAVAID_ID>%s</NAVAID_ID><TYPE>%s</TYPE><NAME>%s</NAME></NAVAID>\n"
            "<NAV>%s</NAV>\n<FORM><TYPE>%s</TYPE>%s</FORM>\n</DATA%02d>\n"
            % (index, navaid_id, navaid_type, name, navs, form, form_keys, index))


# ---------------------------------------------------------------- X server and viewer

def _run(cmd, timeout=15, **kw):
    return subprocess.run(cmd, capture_output=True, timeout=timeout, **kw)


class Unusable(Exception):
    """Something the test needs (not the viewer) cannot work on this machine."""


def unusable_tools():
    """Why the tools the window tests drive cannot be used here, or None. Each is
    probed by running it, not by looking for its name."""
    # xdotool cannot start without a display; start_x uses it against the server
    if shutil.which("xdotool") is None:
        return "xdotool is not installed (package xdotool)"
    probes = [(["apitrace", "help"], "apitrace (package apitrace)"),
              (["xwd", "-help"], "xwd (package x11-apps)"),
              (["stdbuf", "--version"], "stdbuf (coreutils)"),
              (["Xvfb", "-help"], "Xvfb (package xvfb)")]
    for cmd, what in probes:
        try:
            r = subprocess.run(cmd, capture_output=True, timeout=30)
        except (OSError, subprocess.TimeoutExpired) as e:
            return "%s cannot run: %s" % (what, e)
        # xwd answers -help with its usage and a non-zero status: that it ran is enough
        if r.returncode != 0 and cmd[0] != "xwd":
            return "%s failed: %s" % (what, (r.stderr or r.stdout).decode(errors="replace").strip()[:200])
    if not os.path.exists(GLXTRACE):
        return "apitrace's GLX wrapper %s is missing (package apitrace-tracers)" % GLXTRACE
    return None


class Session:
    """One Xvfb server and one viewer run in a fixture folder."""

    def __init__(self, fixture, viewer, trace=False, name="run", args=()):
        self.fixture = fixture
        self.viewer = viewer
        self.name = name
        self.args = list(args)
        self.trace_path = fixture.path("%s.trace" % name) if trace else None
        self.out_path = fixture.path("%s.out" % name)
        self.err_path = fixture.path("%s.err" % name)
        self.xvfb = None
        self.proc = None
        self.display = None
        self.exit_status = None
        self.chart_wid = None
        self.profile_wid = None
        self.retries = 0

    # -- X server
    def start_x(self):
        """Starts Xvfb on a free display (another test may run beside this one)."""
        import random
        for attempt in range(8):
            n = random.randint(300, 899)
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            env = dict(os.environ)
            env["DISPLAY"] = ":%d" % n
            env.pop("LD_PRELOAD", None)
            deadline = time.time() + 30
            ok = False
            while time.time() < deadline and xvfb.poll() is None:
                r = subprocess.run(["xdotool", "getmouselocation"], env=env, capture_output=True, timeout=10)
                if r.returncode == 0:
                    ok = True
                    break
                time.sleep(0.2)
            time.sleep(0.3)
            if ok and xvfb.poll() is None:   # the server that answered is ours
                self.xvfb, self.display, self.env = xvfb, ":%d" % n, env
                return
            if xvfb.poll() is None:
                xvfb.terminate()
                xvfb.wait(timeout=10)
        raise Unusable("Xvfb cannot start a server here (8 displays tried)")

    # -- viewer
    def start(self):
        if self.xvfb is None:
            self.start_x()
        env = dict(self.env)
        # Line-buffered standard streams, as on a terminal, so that a killed
        # run still shows what it printed.
        cmd = ["stdbuf", "-oL", "-eL", self.viewer] + self.args
        # The frame counter first: its swap passes on to the tracer's, then to GL.
        self.frames_path = self.fixture.path("%s.frames" % self.name)
        with open(self.frames_path, "wb") as f:
            f.write(bytes(FRAME_SLOTS * 16))
        preload = [FRAME_COUNTER]
        env["FRAME_COUNTER_FILE"] = self.frames_path
        if self.trace_path:
            preload.append(GLXTRACE)
            env["TRACE_FILE"] = self.trace_path
        env["LD_PRELOAD"] = ":".join(preload)
        self.out = open(self.out_path, "wb")
        self.err = open(self.err_path, "wb")
        self.proc = subprocess.Popen(cmd, cwd=self.fixture.root, env=env,
                                     stdout=self.out, stderr=self.err, stdin=subprocess.DEVNULL)
        return self

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def frames(self, wid=None):
        """Frames the window has swapped onto the screen so far."""
        wid = wid or self.chart_wid
        with open(self.frames_path, "rb") as f:
            raw = f.read(FRAME_SLOTS * 16)
        for i in range(len(raw) // 16):
            drawable, count = struct.unpack_from("<QQ", raw, 16 * i)
            if drawable == wid:
                return count
        return 0

    def wait_frames(self, n=3, wid=None, timeout=60.0):
        """Waits until the window has drawn n more frames: input sent before the call has
        been handled and its result is on screen (and in the trace)."""
        if n <= 0:
            return
        target = self.frames(wid) + n
        deadline = time.time() + timeout
        while self.frames(wid) < target:
            if not self.alive():
                raise TestFailure("viewer ended (status %s) while a frame was awaited; stderr: %s"
                                  % (self.proc.returncode, self.stderr()[-2000:]))
            if time.time() > deadline:
                raise TestFailure("window %s drew fewer than %d frames in %ds" % (wid or self.chart_wid, n, timeout))
            time.sleep(0.01)

    def xdo(self, *args, timeout=15):
        res = _run(["xdotool"] + [str(a) for a in args], timeout=timeout, env=self.env)
        return res.stdout.decode(errors="replace")

    def restart_if_display_lost(self):
        """Starts X and the viewer again when the viewer could not reach our display."""
        if self.alive() or "failed to open display" not in self.stderr() or self.retries >= 2:
            return False
        self.retries += 1
        self.stop()
        self.xvfb = None
        self.start()
        return True

    def find_window(self, title, timeout=60.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            out = self.xdo("search", "--onlyvisible", "--name", "^%s$" % re.escape(title)).split()
            if out:
                return int(out[0])
            if not self.alive() and self.restart_if_display_lost():
                deadline = time.time() + timeout
                continue
            if not self.alive():
                raise TestFailure("viewer ended (status %s) before its window %r appeared; stderr: %s"
                                  % (self.proc.returncode, title, self.stderr()[-2000:]))
            time.sleep(0.2)
        return None

    def windows(self, title):
        return [int(w) for w in self.xdo("search", "--onlyvisible", "--name",
                                          "^%s$" % re.escape(title)).split()]

    def wait_chart(self, timeout=60.0):
        self.chart_wid = self.find_window(CHART_TITLE, timeout)
        check(self.chart_wid is not None, "chart window %r did not appear within %ds" % (CHART_TITLE, timeout))
        return self.chart_wid

    def wait_drawn(self, wid=None, rgb=(110, 120, 105), timeout=60.0, at=None):
        """Polls screenshots until the chart background shows (the first frame is on screen)."""
        wid = wid or self.chart_wid
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                img = self.screenshot(wid)
            except TestFailure:
                img = None
            if img is not None:
                pts = [at] if at else [(img.w // 4, img.h // 3), (img.w // 2 + 7, img.h // 2 + 37),
                                        (3 * img.w // 4 + 3, 2 * img.h // 3 + 5)]
                for x, y in pts:
                    if img.close(x, y, rgb, 6):
                        return img
            if not self.alive():
                raise TestFailure("viewer ended before its first frame; stderr: %s" % self.stderr()[-2000:])
            time.sleep(0.3)
        raise TestFailure("no chart frame with the background colour within %ds" % timeout)

    def wait_geometry(self, wid, ok, timeout=20.0):
        """Polls the window's (x, y, w, h) until ok(geometry) holds: a move or resize is done."""
        deadline = time.time() + timeout
        while True:
            g = self.geometry(wid)
            if ok(g):
                return g
            check(time.time() < deadline, "window %s still at %s after %ds" % (wid, g, timeout))
            time.sleep(0.05)

    def geometry(self, wid):
        out = self.xdo("getwindowgeometry", wid)
        pos = re.search(r"Position:\s*(-?\d+),(-?\d+)", out)
        size = re.search(r"Geometry:\s*(\d+)x(\d+)", out)
        check(pos and size, "no geometry for window %s: %r" % (wid, out))
        return (int(pos.group(1)), int(pos.group(2)), int(size.group(1)), int(size.group(2)))

    def screenshot(self, wid=None, save=None):
        wid = wid or self.chart_wid
        xwd = subprocess.Popen(["timeout", "10", "xwd", "-silent", "-id", str(wid)],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=self.env)
        try:
            res = subprocess.run([CONVERT, "xwd:-", "ppm:-"], stdin=xwd.stdout,
                                 capture_output=True, timeout=20)
        finally:
            xwd.stdout.close()
            xwd.wait(timeout=15)
        if res.returncode != 0 or not res.stdout.startswith(b"P6"):
            raise TestFailure("screenshot failed: %s" % res.stderr.decode(errors="replace")[-500:])
        img = Image.from_ppm(res.stdout)
        if save:
            with open(save, "wb") as f:
                f.write(res.stdout)
        return img

    def snap(self, wid=None):
        """Raw pixels of a window (None when the screenshot failed)."""
        try:
            return self.screenshot(wid).data
        except TestFailure:
            return None

    def wait_change(self, before, timeout=15.0, wid=None):
        """Polls screenshots until the window differs from `before` (for changes that come
        without input of ours, such as a file that is followed). False on timeout."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            now = self.snap(wid)
            if now is not None and now != before:
                return True
            if not self.alive():
                return False
            self.wait_frames(1, wid)
        return False

    def act(self, fn, wid=None):
        """Runs one input action (which waits for its frames) and says whether the window
        now looks different: no change is a result too."""
        before = self.snap(wid)
        fn()
        return self.snap(wid) != before

    # -- input (window-relative pixels, top-left origin). Each waits for `frames` frames
    # after its events.
    def move(self, x, y, wid=None):
        self.xdo("mousemove", "--window", wid or self.chart_wid, x, y)

    def click(self, x, y, button=1, wid=None, frames=3):
        """A press and a release with a frame between, as a hand makes them; then waits
        for `frames` frames (xdotool returns once the server has sent the event on)."""
        self.press(x, y, button, wid, frames=1)
        self.release(button=button, wid=wid, frames=frames)

    def press(self, x, y, button=1, wid=None, frames=3):
        self.move(x, y, wid)
        self.xdo("mousedown", button)
        self.wait_frames(frames, wid)

    def release(self, x=None, y=None, button=1, wid=None, frames=3):
        if x is not None:
            self.move(x, y, wid)
        self.xdo("mouseup", button)
        self.wait_frames(frames, wid)

    def key(self, *keys, wid=None, frames=3):
        self.move(300, 200, wid)   # focus follows the pointer
        self.xdo("key", "--delay", "60", *keys)
        self.wait_frames(frames, wid)

    def type(self, text, wid=None, frames=3):
        self.xdo("type", "--delay", "12", text, timeout=60)
        self.wait_frames(frames, wid)

    # -- ending
    def wait_exit(self, timeout=30.0):
        try:
            self.exit_status = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        return self.exit_status

    def stop(self):
        """Ends the viewer and the X server. A traced viewer ends through its "Exit"
        button: the tracer writes its last buffered frames only at a normal exit (after
        SIGTERM the last megabyte or so of calls, a dozen frames, is lost)."""
        if self.proc is not None and self.proc.poll() is None:
            try:
                self.swapped_at_stop = self.frames()
            except Exception:
                pass
            if self.trace_path and self.chart_wid:
                try:
                    self.click(43, 9, frames=0)      # "Exit" at (18..68, 462..480)
                    self.wait_exit(timeout=20)
                except TestFailure:
                    pass
        if self.proc is not None and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=10)
        if self.proc is not None:
            self.exit_status = self.proc.returncode
            for f in (self.out, self.err):
                try:
                    f.close()
                except Exception:
                    pass
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(timeout=10)

    def stdout(self):
        with open(self.out_path, "rb") as f:
            return f.read().decode("latin-1")

    def stderr(self):
        with open(self.err_path, "rb") as f:
            return f.read().decode("latin-1")

    def read_trace(self, **kw):
        check(self.trace_path and os.path.exists(self.trace_path), "no trace was written")
        return Trace(self.trace_path, **kw)


# ---------------------------------------------------------------- images

class Image:
    def __init__(self, w, h, data):
        self.w, self.h, self.data = w, h, data

    @staticmethod
    def from_ppm(blob):
        # P6 <w> <h> <max> then the pixels; '#' comments (the window name) may come between
        m = re.match(rb"P6((?:\s+|#[^\n]*\n)+)(\d+)((?:\s+|#[^\n]*\n)+)(\d+)((?:\s+|#[^\n]*\n)+)(\d+)\s", blob)
        check(m is not None, "bad PPM header %r" % blob[:40])
        w, h = int(m.group(2)), int(m.group(4))
        return Image(w, h, blob[m.end():m.end() + w * h * 3])

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.data[i:i + 3])

    def close(self, x, y, rgb, tol):
        if not (0 <= x < self.w and 0 <= y < self.h):
            return False
        p = self.pixel(x, y)
        return all(abs(p[i] - rgb[i]) <= tol for i in range(3))

    def find_near(self, x, y, rgb, tol, radius):
        for dy in range(-radius, radius + 1):
            for dx in range(-radius, radius + 1):
                if self.close(x + dx, y + dy, rgb, tol):
                    return (x + dx, y + dy)
        return None

    def count(self, pred, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        n = 0
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                if pred(self.pixel(x, y)):
                    n += 1
        return n


# ---------------------------------------------------------------- trace

# Calls no check reads (PUI's bitmap legends, pixel-store and attribute
# bookkeeping); skipping them early keeps the parse of a long run short.
IGNORED_CALLS = frozenset(["glBitmap", "glPixelStorei", "glRasterPos2f", "glRasterPos2i", "glRasterPos3f",
                           "glPushAttrib", "glPopAttrib", "glGetIntegerv", "glGetFloatv", "glGetError",
                           "glGetString", "glIsEnabled", "glGetBooleanv", "glTexParameteri", "glTexEnvi"])

_CALL_RE = re.compile(r"^(\d+) (\w+)\((.*)\)(?: = (.*?))?(?: // fake)?$")
_VERTEX_RE = re.compile(r"^x = ([^,]+), y = ([^,)]+)")


def split_args(s):
    """'a = 1, b = {1, 2}, c = "x"' -> {'a': '1', 'b': '{1, 2}', 'c': '"x"'}"""
    out = {}
    depth = 0
    in_str = False
    cur = []
    parts = []
    i = 0
    while i < len(s):
        c = s[i]
        if in_str:
            cur.append(c)
            if c == "\\" and i + 1 < len(s):
                cur.append(s[i + 1])
                i += 1
            elif c == '"':
                in_str = False
        elif c == '"':
            in_str = True
            cur.append(c)
        elif c in "{([":
            depth += 1
            cur.append(c)
        elif c in "})]":
            depth -= 1
            cur.append(c)
        elif c == "," and depth == 0:
            parts.append("".join(cur))
            cur = []
            if i + 1 < len(s) and s[i + 1] == " ":
                i += 1
        else:
            cur.append(c)
        i += 1
    if cur:
        parts.append("".join(cur))
    for p in parts:
        k, sep, v = p.partition(" = ")
        if sep:
            out[k.strip()] = v.strip()
        else:
            out[str(len(out))] = p.strip()
    return out


def num(v):
    v = v.strip()
    if v in ("GL_TRUE", "True"):
        return 1.0
    if v in ("GL_FALSE", "False"):
        return 0.0
    return float(v)


def nums(v):
    v = v.strip().lstrip("&")
    if v.startswith("{") and v.endswith("}"):
        v = v[1:-1]
    return [float(x) for x in v.split(",") if x.strip() and x.strip() != "..."]


class Block:
    """One glBegin..glEnd with the colour current at glBegin."""
    __slots__ = ("mode", "colour", "verts", "texcoords", "evals", "line_width", "point_size")

    def __init__(self, mode, colour, lw, ps):
        self.mode, self.colour = mode, colour
        self.verts, self.texcoords, self.evals = [], [], []
        self.line_width, self.point_size = lw, ps


class Frame:
    """Everything one context drew between two buffer swaps, condensed.

    events: ordered list of tuples; ('block', Block), ('call', name, args),
    ('list', n).  Grid-coloured one-line blocks are counted and kept in
    grid_lines only (the fine grids have ten thousand of them per frame).
    """
    GRID = (0.47, 0.5, 0.45)

    def __init__(self, ctx, index):
        self.ctx, self.index = ctx, index
        self.events = []
        self.grid_lines = []
        self.grid_count = 0
        self.scale = None
        self.translate = None
        self.viewport = None
        self.complete = False

    def blocks(self, mode=None):
        return [e[1] for e in self.events if e[0] == "block" and (mode is None or e[1].mode == mode)]

    def calls(self, name=None):
        return [e for e in self.events if e[0] == "call" and (name is None or e[1] == name)]

    def lists_called(self):
        return [e[1] for e in self.events if e[0] == "list"]

    def zoom(self):
        return None if self.scale is None else int(round(self.scale)) - 1


def colour_is(c, ref, tol=0.004):
    return c is not None and all(abs(c[i] - ref[i]) <= tol for i in range(3))


class Trace:
    """Parses `apitrace dump` output into display lists and per-context frames."""

    def __init__(self, path, keep_grid=1000):
        self.path = path
        self.keep_grid = keep_grid
        self.contexts = []          # in creation order
        self.frames = {}            # ctx -> [Frame]
        self.lists = {}             # (ctx, number) -> [events]
        self.list_order = []        # (ctx, number) in compile order
        self.first_calls = {}       # (ctx, name) -> list of args of selected one-time calls
        self.ortho = []             # (ctx, frame index, args)
        self.clear_colours = []     # (ctx, rgba)
        self.total_calls = 0
        self._parse()

    def chart_ctx(self):
        return self.contexts[0] if self.contexts else None

    def profile_ctx(self):
        return self.contexts[1] if len(self.contexts) > 1 else None

    def chart_frames(self):
        return self.frames.get(self.chart_ctx(), [])

    def profile_frames(self):
        return self.frames.get(self.profile_ctx(), [])

    def _parse(self):
        proc = subprocess.Popen(["apitrace", "dump", "--color=never", "--arg-names=yes", self.path],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                errors="replace", bufsize=1 << 20)
        drawable_ctx = {}
        ctx = None
        frame = None
        colour = {}
        lw = {}
        ps = {}
        block = None
        in_list = None
        list_events = None
        target = None

        def new_frame(c):
            fl = self.frames.setdefault(c, [])
            f = Frame(c, len(fl))
            fl.append(f)
            return f

        cur_frame = {}
        ignore = IGNORED_CALLS
        for line in proc.stdout:
            sp = line.find(" ")
            par = line.find("(", sp)
            if sp <= 0 or par < 0 or not line[0].isdigit():
                continue
            name = line[sp + 1:par]
            if name in ignore:
                continue
            self.total_calls += 1
            if name[:8] == "glVertex":
                # hot path: "N glVertex2f(x = 1, y = 2)"
                if block is None:
                    continue
                a = line[par + 1:line.rfind(")")]
                if name[-1] == "v":
                    v = nums(split_args(a).get("v", "{}"))
                else:
                    parts = a.split(", ")
                    v = [float(parts[0][parts[0].index("=") + 2:]), float(parts[1][parts[1].index("=") + 2:])]
                block.verts.append((v[0], v[1]))
                continue
            if name[:11] == "glTexCoord2":
                if block is not None:
                    a = line[par + 1:line.rfind(")")]
                    if name[-1] == "v":
                        v = nums(split_args(a)["v"])
                    else:
                        parts = a.split(", ")
                        v = [float(parts[0][parts[0].index("=") + 2:]), float(parts[1][parts[1].index("=") + 2:])]
                    block.texcoords.append((v[0], v[1]))
                continue
            if name == "glEvalCoord1f" or name == "glEvalCoord1d":
                if block is not None:
                    a = line[par + 1:line.rfind(")")]
                    block.evals.append(float(a[a.index("=") + 2:]))
                continue
            if name == "glEnd" and ctx is not None:
                b, block = block, None
                if b is not None:
                    dest = list_events if in_list is not None else target.events
                    if (in_list is None and b.mode == "GL_LINES" and len(b.verts) == 2
                            and colour_is(b.colour, Frame.GRID)):
                        target.grid_count += 1
                        if len(target.grid_lines) < self.keep_grid:
                            target.grid_lines.append(b.verts)
                    else:
                        dest.append(("block", b))
                continue
            if name == "glBegin" and ctx is not None:
                # hot path: "N glBegin(mode = GL_LINES)"
                block = Block(line[par + 8:line.rfind(")")], colour.get(ctx), lw.get(ctx), ps.get(ctx))
                continue
            m = _CALL_RE.match(line.rstrip("\n"))
            if not m:
                continue
            a = m.group(3)
            if name.startswith("glX"):
                args = split_args(a)
                if name.startswith("glXCreate") and "Context" in name and m.group(4):
                    c = m.group(4).strip()
                    if c not in self.contexts:
                        self.contexts.append(c)
                elif name.startswith("glXMakeCurrent") or name.startswith("glXMakeContextCurrent"):
                    c = args.get("ctx")
                    d = args.get("drawable", args.get("draw"))
                    if c and c != "NULL" and c != "0x0":
                        ctx = c
                        if c not in self.contexts:
                            self.contexts.append(c)
                        drawable_ctx[d] = c
                        target = cur_frame.get(c)
                        if target is None:
                            target = cur_frame[c] = new_frame(c)
                elif name == "glXSwapBuffers":
                    c = drawable_ctx.get(args.get("drawable"), ctx)
                    if c is not None:
                        if c in cur_frame:
                            cur_frame[c].complete = True
                        cur_frame[c] = new_frame(c)
                        if c == ctx:
                            target = cur_frame[c]
                continue
            if ctx is None:
                continue
            args = split_args(a)
            if name.startswith("glColor"):
                if "v" in args:
                    v = nums(args["v"])
                else:
                    v = [num(args.get(k, "1")) for k in ("red", "green", "blue")]
                if name[8:10] in ("ub",):
                    v = [x / 255.0 for x in v]
                colour[ctx] = tuple(v[:3])
                # a colour given inside glBegin before the first vertex is the block's colour
                if block is not None and not block.verts:
                    block.colour = colour[ctx]
                continue
            if name == "glBegin":
                block = Block(args.get("mode"), colour.get(ctx), lw.get(ctx), ps.get(ctx))
                continue
            if name == "glEnd":
                b, block = block, None
                if b is None:
                    continue
                dest = list_events if in_list is not None else target.events
                if (in_list is None and b.mode == "GL_LINES" and len(b.verts) == 2
                        and colour_is(b.colour, Frame.GRID)):
                    target.grid_count += 1
                    if len(target.grid_lines) < self.keep_grid:
                        target.grid_lines.append(b.verts)
                    continue
                dest.append(("block", b))
                continue
            if name == "glLineWidth":
                lw[ctx] = num(args["width"])
            elif name == "glPointSize":
                ps[ctx] = num(args["size"])
            if name == "glNewList":
                in_list = (ctx, int(num(args["list"])))
                list_events = []
                self.list_order.append(in_list)
                continue
            if name == "glEndList":
                if in_list is not None:
                    self.lists[in_list] = list_events
                in_list, list_events = None, None
                continue
            if in_list is not None:
                list_events.append(("call", name, args))
                if name == "glCallList":
                    list_events.append(("list", int(num(args["list"]))))
                continue
            f = target
            if name == "glCallList":
                f.events.append(("list", int(num(args["list"]))))
                continue
            if name == "glClearColor":
                self.clear_colours.append((ctx, tuple(num(args[k]) for k in ("red", "green", "blue", "alpha"))))
            elif name == "glOrtho":
                self.ortho.append((ctx, f.index, tuple(num(args[k]) for k in
                                                        ("left", "right", "bottom", "top", "zNear", "zFar"))))
            elif name == "glScalef" or name == "glScaled":
                if f.scale is None:
                    f.scale = num(args["x"])
                    f.scale_args = (num(args["x"]), num(args["y"]), num(args["z"]))
            elif name == "glTranslatef" or name == "glTranslated":
                if f.scale is not None and f.translate is None:
                    f.translate = (num(args["x"]), num(args["y"]), num(args["z"]))
            elif name == "glViewport":
                f.viewport = tuple(int(num(args[k])) for k in ("x", "y", "width", "height"))
            f.events.append(("call", name, args))
        proc.stdout.close()
        proc.wait(timeout=60)
        # a frame cut off by the end of the run is not a frame
        for c, fl in self.frames.items():
            self.frames[c] = [f for f in fl if f.complete]

    def list_events(self, number, ctx=None):
        return self.lists.get((ctx or self.chart_ctx(), number))

    def list_blocks(self, number, ctx=None):
        ev = self.list_events(number, ctx) or []
        return [e[1] for e in ev if e[0] == "block"]


def drawn_frames(frames):
    """Frames that drew the chart (they carry the view transform)."""
    return [f for f in frames if f.scale is not None]


def rects(frame):
    """Axis-aligned boxes that PUI drew with glRect* in this frame, as (x0, y0, x1, y1)."""
    out = set()
    for e in frame.events:
        if e[0] == "call" and e[1].startswith("glRect"):
            a = e[2]
            if "x1" in a:
                x0, y0, x1, y1 = (num(a[k]) for k in ("x1", "y1", "x2", "y2"))
            else:
                v1, v2 = nums(a.get("v1", "{}")), nums(a.get("v2", "{}"))
                x0, y0, x1, y1 = v1[0], v1[1], v2[0], v2[1]
            out.add((min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1)))
    for b in frame.blocks():
        if b.mode in ("GL_QUADS", "GL_POLYGON", "GL_TRIANGLE_FAN") and len(b.verts) == 4:
            xs = [v[0] for v in b.verts]
            ys = [v[1] for v in b.verts]
            if len(set(xs)) == 2 and len(set(ys)) == 2:
                out.add((min(xs), min(ys), max(xs), max(ys)))
    return out


# ---------------------------------------------------------------- TXF glyphs

class TxfFont:
    """Reads the TXF file the test generated, to turn drawn texture coordinates back into text."""

    def __init__(self, path):
        with open(path, "rb") as f:
            d = f.read()
        check(d[:4] == b"\xfftxf", "not a TXF file")
        endian = "<" if struct.unpack("<I", d[4:8])[0] == 0x12345678 else ">"
        fmt, w, h, asc, desc, n = struct.unpack(endian + "6I", d[8:32])
        self.glyphs = []
        off = 32
        for _ in range(n):
            ch, gw, gh, xo, yo, adv, _pad, x, y = struct.unpack(endian + "HBBbbbBhh", d[off:off + 12])
            off += 12
            self.glyphs.append((chr(ch), x / w, y / h, (x + gw) / w, (y + gh) / h, gw, gh))
        self.tw, self.th = w, h

    def char_for(self, texcoords):
        """texcoords of one glyph strip -> character ('?' when none matches)."""
        if not texcoords:
            return "?"
        s0 = min(t[0] for t in texcoords)
        t0 = min(t[1] for t in texcoords)
        s1 = max(t[0] for t in texcoords)
        t1 = max(t[1] for t in texcoords)
        best, err = "?", None
        for ch, a, b, c, d, gw, gh in self.glyphs:
            e = abs(a - s0) + abs(b - t0) + abs(c - s1) + abs(d - t1)
            if err is None or e < err:
                best, err = ch, e
        # PLIB samples texel centres (half a texel in from each edge of the box)
        tol = 6.0 / min(self.tw, self.th)
        return best if err is not None and err < tol else "?"


def texts(blocks, font, point_size=None):
    """Groups glyph strips into strings: (x, y of the first glyph's lower-left, text).

    Consecutive glyphs on one baseline whose left edges advance by less than
    two point sizes belong to one string."""
    out = []
    cur = None
    glyphs = [b for b in blocks if b.mode in ("GL_TRIANGLE_STRIP", "GL_QUADS") and b.texcoords and b.verts]
    ps = point_size or max([max(v[1] for v in b.verts) - min(v[1] for v in b.verts) for b in glyphs] + [1e-9])
    for b in glyphs:
        ch = font.char_for(b.texcoords)
        x = min(v[0] for v in b.verts)
        y = min(v[1] for v in b.verts)
        if cur is not None and abs(x - cur["lastx"]) < 2.5 * ps and x >= cur["lastx"] - 1e-6 \
                and abs(b.verts[0][1] - cur["base"]) < 0.6 * ps:
            cur["text"] += ch
            cur["lastx"] = x
        else:
            cur = {"x": x, "y": y, "text": ch, "lastx": x, "base": b.verts[0][1]}
            out.append(cur)
    return [(c["x"], c["y"], c["text"]) for c in out]


# ---------------------------------------------------------------- runner

def main(cases):
    import argparse
    ap = argparse.ArgumentParser()
    ap.add_argument("--case", required=True)
    ap.add_argument("--viewer", required=True)
    ap.add_argument("--podtool", required=True)
    ap.add_argument("--txfgen", required=True)
    ap.add_argument("--frame-counter", required=True, help="the swap-counting preload library")
    ap.add_argument("--keep", action="store_true", help="keep the simulator folder and traces")
    ap.add_argument("--update", action="store_true", help="write the pictures a case compares with")
    ap.add_argument("--reference", help="a viewer of another build to compare with (cases that compare builds)")
    ap.add_argument("--folder", help="a simulator folder to use instead of the test world (cases that compare builds)")
    opts = ap.parse_args()
    global FRAME_COUNTER
    FRAME_COUNTER = os.path.abspath(opts.frame_counter)
    why = unusable_tools()
    if why:
        print("SKIP %s: %s" % (opts.case, why))
        return 77
    fn = cases.get(opts.case)
    if fn is None:
        print("unknown case %s; known: %s" % (opts.case, ", ".join(sorted(cases))))
        return 2
    tools = {"viewer": opts.viewer, "podtool": opts.podtool, "txfgen": opts.txfgen, "update": opts.update,
             "reference": opts.reference, "folder": opts.folder}
    fx = Fixture(tools, keep=opts.keep)
    sessions = []

    def session(viewer=None, **kw):
        s = Session(fx, viewer or opts.viewer, **kw)
        sessions.append(s)
        return s

    def interrupted(signum, _frame):
        raise TestFailure("interrupted by signal %d" % signum)

    # CTest's timeout or ^C: still end the viewer and the X server in `finally`
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGINT, interrupted)
    t0 = time.time()
    status = 0
    try:
        fn(fx, session)
        print("PASS %s (%.1fs)" % (opts.case, time.time() - t0))
    except TestFailure as e:
        print("FAIL %s: %s" % (opts.case, e))
        status = 1
    except SystemExit as e:          # a case that cannot run here (CTest's skip code)
        status = int(e.code or 0)
        print("SKIP %s" % opts.case)
    except Unusable as e:
        status = 77
        print("SKIP %s: %s" % (opts.case, e))
    except Exception:
        import traceback
        print("FAIL %s: harness error\n%s" % (opts.case, traceback.format_exc()))
        status = 1
    finally:
        for s in sessions:
            try:
                s.stop()
            except Exception as e:  # keep ending the others
                print("could not end a process: %s" % e)
        if opts.keep or status:
            for s in sessions:
                print("---- %s: %s chart frames swapped before the end" % (s.name, getattr(s, "swapped_at_stop", "?")))
                for p in (s.out_path, s.err_path):
                    if os.path.exists(p):
                        with open(p, "rb") as f:
                            txt = f.read().decode("latin-1")
                        print("---- %s (%d bytes)\n%s" % (os.path.basename(p), len(txt), txt[-3000:]))
        if opts.keep or (status and os.environ.get("GUI_KEEP_FAILED")):
            print("kept %s" % fx.root)
        else:
            fx.cleanup()
    return status
