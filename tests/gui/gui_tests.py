#!/usr/bin/env python3
"""Window tests of the real viewer: one case per CTest test (--case NAME).

Each case builds a small simulator folder, runs the viewer on its own Xvfb
display and checks what it drew (apitrace), what is on screen (xwd) and what
it printed.  Expected values are computed here from the chart's formulas,
never read back from the program.

By hand:  python3 tests/gui/gui_tests.py --case zoom_bands --keep \
            --viewer build/viewer/viewer --podtool build/tools/podtool/podtool \
            --txfgen build/tools/txfgen/txfgen
(--keep leaves the simulator folder, the trace and the outputs in /tmp.)
"""

import math
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from guiharness import (TestFailure, check, near, f32, chart_x_from_seconds, chart_y_from_seconds,
                        destination_point, exercise_xml, Frame, TxfFont, texts, drawn_frames, rects,
                        colour_is, nums, num, F32_PI, main, PROFILE_TITLE, CHART_TITLE)
from guide_pictures import case_guide_pictures


class Checks:
    """Collects every failed expectation of a run, so one run reports all faults."""

    def __init__(self):
        self.failed = []

    def __call__(self, cond, message):
        if not cond:
            self.failed.append(message)
        return cond

    def done(self):
        if self.failed:
            raise TestFailure("%d check(s) failed:\n  - %s" % (len(self.failed), "\n  - ".join(self.failed)))


# ---------------------------------------------------------------- the test world

COAST = [
    [(-100.0, 10.0), (0.0, 10.0), (100.0, 10.0)],     # long east-west line at 10 N
    [(30.0, -40.0), (30.0, 40.0)],                    # north-south line at 30 E
    [(50.0, 50.0)],                                   # a single point adds no line
    [(5.25, 43.10), (5.30, 43.12), (5.41, 43.20)],
]
RIVERS = [[(10.0, -20.0), (20.0, -25.0), (25.0, -30.0)]]

AIRPORTS = [
    ("AP0001", "ML", "LFML", "MARSEILLE", 156600, 18000),
    ("AP0002", "KZAB", "KZ", "KZTEST", 158400, 1285200),     # west of Greenwich; labelled KZAB
    ("AP0003", "XX", "KZX", "PREFIXED", 162000, 43200),      # only begins with KZ: keeps KZX
]
RUNWAYS = [
    ("RW0001", "AP0001", 156600, 18000, 156960, 18720),
    ("RW0002", "AP0002", 158400, 1285200, 158500, 1285000),
]
NAVAIDS = [
    ("NV0001", "ABC", "ALPHA", 10.0, 1, 162000, 36000),      # VOR
    ("NV0002", "XY", "XRAY", -4.0, 8, 158400, 28800),        # NDB
    ("NV0003", "DEF", "DELTA", -3.5, 9, 165600, 43200),      # VOR (bits 1 and 8)
    ("NV0004", "ZZ", "ZULU", 0.0, 2, 154800, 21600),         # neither: a point and a name only
]
VOR_IDS = ["ABC", "DEF"]
NDB_IDS = ["XY"]

TRACK = [
    (156600, 18000, 1000, 0.0),
    (156960, 18360, 2000, 10.5),
    (157320, 18720, 3000, 10.0),
    (157680, 19080, 4500, 10.0),
    (158040, 19440, 2500, 10.2),
]

EXERCISES = (
    exercise_xml(0, "ABC", "VOR", "ALPHA", "HIPP", nav={"QDM": 90}, TURN="RIGHT", TRI=1, IAS_MAX=220)
    + exercise_xml(1, "XY", "NDB", "XRAY", "LINE", nav={"QDR": 45, "QDM": 270})
    + exercise_xml(2, "DEF", "VOR", "DELTA", "RELY", nav={"QDR": 60, "QDM": 300},
                   USER_DST=12.5, USER_HEADING=30)
    + exercise_xml(3, "PT", "USR", "MYPOINT", "COOR", nav={"QDR": 10, "QDM": 200},
                   USER_LAT="N-44*30.0", USER_LON="E-9*15.0")
    + exercise_xml(4, "ABC", "VOR", "ALPHA", "HIPP", nav={"QDM": 200}, TURN="LEFT", TRI=1.5, IAS_MAX=180)
)

REPORT = ("IFR EXERCICE  : TEST SET\n"
          "HOLDING PATTERN\n\tNAVAID_ID     : ABC\n\tTRI           : 001.00\n\tIAS           : 220\n"
          "NAVAID POINT\n\tNAVAID_ID     : XY\n\tQDR           : 045.00\n\tQDM           : 270.00\n"
          "USER WAYPOINT\n\tNAVAID_ID     : DEF\n\tUSER_DST      : 0012.5\n\tUSER_HEADING  : 030.00\n"
          "\tQDR           : 060.00\n\tQDM           : 300.00\n"
          "USER WAYPOINT\n\tNAVAID_ID     : MYPOINT\n\tUSER_X        : 33300.00\n\tUSER_Y        : 160200.00\n"
          "\tQDR           : 010.00\n\tQDM           : 200.00\n"
          "HOLDING PATTERN\n\tNAVAID_ID     : ABC\n\tTRI           : 001.50\n\tIAS           : 180\n")

GREY = (0.658, 0.658, 0.658)
COURSE = (0.647, 0.686, 0.647)


def world(fx, track=True, coast=True, rivers=True, airports=True, runways=True, navaids=True,
          font=True, exercises=EXERCISES):
    if coast:
        fx.polylines("data/world_coast.dat", COAST)
    if rivers:
        fx.polylines("data/rivers.dat", RIVERS)
    if airports:
        fx.airports(AIRPORTS)
    if runways:
        fx.runways(RUNWAYS)
    if navaids:
        fx.navaids(NAVAIDS)
    if track:
        fx.track(TRACK)
    if font:
        fx.font()
    if exercises is not None:
        fx.exercises(exercises)


def nav_xy(ident):
    for r in NAVAIDS:
        if r[1] == ident:
            return chart_x_from_seconds(r[6]), chart_y_from_seconds(r[5]), r[3]
    raise KeyError(ident)


def track_chart_points(track=TRACK):
    return [(chart_x_from_seconds(lon), chart_y_from_seconds(lat)) for lat, lon, _, _ in track]


TRACK_COLOUR = (1, 0.2, 0)


def track_segment_vertices(track=TRACK):
    """What the track drawing sends: one segment per point from the second on."""
    pts = track_chart_points(track)
    out = []
    for i in range(1, len(pts) - 1):
        out += [pts[i], pts[i + 1]]
    return out


def frame_track_vertices(f):
    return [v for b in f.blocks("GL_LINES") if colour_is(b.colour, TRACK_COLOUR) for v in b.verts]


def line_pairs(blocks, colour=None):
    out = []
    for b in blocks:
        if b.mode == "GL_LINES" and (colour is None or colour_is(b.colour, colour)):
            for i in range(0, len(b.verts) - 1, 2):
                out.append((b.verts[i], b.verts[i + 1]))
    return out


def pt_close(p, q, tol):
    return abs(p[0] - q[0]) <= tol and abs(p[1] - q[1]) <= tol


def has_segment(pairs, a, b, tol):
    return any((pt_close(p, a, tol) and pt_close(q, b, tol)) or (pt_close(p, b, tol) and pt_close(q, a, tol))
               for p, q in pairs)


def fmt_pt(p):
    return "(%.4f, %.4f)" % (p[0], p[1])


def start_viewer(session, trace=True, name="run", wait_profile=False):
    s = session(trace=trace, name=name).start()
    s.wait_chart()
    if wait_profile:
        s.profile_wid = s.find_window(PROFILE_TITLE, 60)
    s.wait_drawn()
    return s


def background_shows(img):
    """True when the chart background is on screen at places no grid line, panel or test layer covers."""
    pts = [(-5200, -5300), (-11200, 5300), (8300, -7700), (14200, 6700)]
    return any(img.close(int(img.w / 2.0 + x * img.w / 36000.0), int(img.h / 2.0 - y * img.h / 27000.0),
                         (110, 120, 105), 4) for x, y in pts)


def move_profile_away(s):
    """The profile window opens over the chart; park it beside so clicks reach the chart."""
    if s.profile_wid:
        s.xdo("windowmove", s.profile_wid, 760, 80)
        s.wait_geometry(s.profile_wid, lambda g: g[:2] == (760, 80))
        s.wait_frames(2)


# ---------------------------------------------------------------- reference geometry

def degrad():
    return F32_PI / 180.0


def holding_geometry(p0, qdm, var, ias, tri, left):
    d2r = degrad()
    qdr = qdm - 180.0
    if qdr < 0:
        qdr += 360.0
    leg = f32(ias / 60.0 * tri)
    r = (qdm + var - 180.0) * d2r
    s = (qdr + var) * d2r
    w = 2.0 * math.sqrt(ias / (60.0 * F32_PI))
    quarter, twelfth = 90 * d2r, 30 * d2r
    g = {"qdmTo": p0, "qdmFrom": destination_point(p0[0], p0[1], leg, r)}
    if not left:
        g["qdrFrom"] = destination_point(p0[0], p0[1], w, r - quarter)
        g["qdrTo"] = destination_point(g["qdrFrom"][0], g["qdrFrom"][1], leg, s)
        g["c1"] = destination_point(p0[0], p0[1], -w, r + twelfth)
        g["c2"] = destination_point(g["qdrTo"][0], g["qdrTo"][1], w, r + twelfth)
    else:
        g["qdrFrom"] = destination_point(p0[0], p0[1], -w, r - quarter)
        g["qdrTo"] = destination_point(g["qdrFrom"][0], g["qdrFrom"][1], leg, s)
        g["c1"] = destination_point(p0[0], p0[1], -w, r - twelfth)
        g["c2"] = destination_point(g["qdrTo"][0], g["qdrTo"][1], w, r - twelfth)
    g["qdm"], g["qdr"] = qdm, qdr
    return g


def line_geometry(p0, qdm, qdr, var):
    d2r = degrad()
    r = (qdm + var - 180.0) * d2r
    s = (qdr + var) * d2r
    return {"qdmTo": p0, "qdmFrom": destination_point(p0[0], p0[1], 6, r),
            "qdrFrom": p0, "qdrTo": destination_point(p0[0], p0[1], 6, s)}


def bearing_geometry(p0, qdm, qdr, var, dist, heading):
    d2r = degrad()
    h = (heading + var) * d2r
    pw = destination_point(p0[0], p0[1], f32(dist), h)
    g = line_geometry(pw, qdm, qdr, var)
    g["wp"] = pw
    return g


def coor_geometry(p0, qdm, qdr):
    d2r = degrad()
    r = (qdm - 180.0) * d2r
    s = qdr * d2r
    return {"qdmTo": p0, "qdmFrom": (p0[0] + 10 * math.sin(r), p0[1] + 10 * math.cos(r)),
            "qdrFrom": p0, "qdrTo": (p0[0] + 10 * math.sin(s), p0[1] + 10 * math.cos(s))}


# ---------------------------------------------------------------- helpers on a trace

def first_chart_frame(tr):
    frames = drawn_frames(tr.chart_frames())
    check(frames, "no chart frame carried a view transform (glScalef): %d chart frames, %d calls"
          % (len(tr.chart_frames()), tr.total_calls))
    return frames


def check_list_order(c, tr, expected):
    order = [n for (ctx, n) in tr.list_order if ctx == tr.chart_ctx()]
    c(order == expected, "display lists compiled in order %s, expected %s" % (order, expected))


# ================================================================= cases

def case_lists(fx, session):
    """Display lists: numbers, compile order, colours and vertices of each layer."""
    world(fx)
    s = start_viewer(session, wait_profile=True)
    s.wait_frames(5)
    s.wait_frames(5, s.profile_wid)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    check_list_order(c, tr, [1, 2, 4, 12, 13, 14, 15, 5, 6, 10, 11])

    # list 1: every segment from point j to j + 1, in file order, green
    exp = []
    for seg in COAST:
        for j in range(len(seg) - 1):
            exp.append((f32(seg[j][0] * 100), f32(seg[j][1] * 100)))
            exp.append((f32(seg[j + 1][0] * 100), f32(seg[j + 1][1] * 100)))
    b1 = tr.list_blocks(1)
    c(b1 is not None and len(b1) == 1 and b1[0].mode == "GL_LINES",
      "list 1 should be one GL_LINES block, got %s" % ([(b.mode, len(b.verts)) for b in b1 or []]))
    if b1:
        got = [v for b in b1 for v in b.verts]
        c(len(got) == len(exp) and all(pt_close(g, e, 0.01) for g, e in zip(got, exp)),
          "list 1 vertices %s, expected %s" % ([fmt_pt(g) for g in got], [fmt_pt(e) for e in exp]))
        c(all(colour_is(b.colour, (0, 1, 0)) for b in b1), "list 1 colour %s, expected green" % (b1[0].colour,))
    # list 2: rivers, cyan
    b2 = tr.list_blocks(2) or []
    exp2 = []
    for seg in RIVERS:
        for j in range(len(seg) - 1):
            exp2 += [(seg[j][0] * 100, seg[j][1] * 100), (seg[j + 1][0] * 100, seg[j + 1][1] * 100)]
    got2 = [v for b in b2 for v in b.verts]
    c(len(got2) == len(exp2) and all(pt_close(g, e, 0.01) for g, e in zip(got2, exp2)),
      "list 2 vertices %s, expected %s" % (got2, exp2))
    c(b2 and all(colour_is(b.colour, (0, 1, 1)) for b in b2), "list 2 colour should be cyan")
    # list 4: airports as grey points
    b4 = tr.list_blocks(4) or []
    exp4 = [(chart_x_from_seconds(a[5]), chart_y_from_seconds(a[4])) for a in AIRPORTS]
    got4 = [v for b in b4 if b.mode == "GL_POINTS" for v in b.verts]
    c(len(got4) == 3 and all(pt_close(g, e, 0.01) for g, e in zip(got4, exp4)),
      "list 4 points %s, expected %s" % (got4, exp4))
    c(b4 and all(colour_is(b.colour, GREY) for b in b4), "list 4 colour should be grey 0.658")
    # list 5: runways, arc-seconds converted with the west wrap
    b5 = tr.list_blocks(5) or []
    exp5 = []
    for r in RUNWAYS:
        exp5 += [(chart_x_from_seconds(r[3]), chart_y_from_seconds(r[2])),
                 (chart_x_from_seconds(r[5]), chart_y_from_seconds(r[4]))]
    got5 = [v for b in b5 if b.mode == "GL_LINES" for v in b.verts]
    c(len(got5) == 4 and all(pt_close(g, e, 0.01) for g, e in zip(got5, exp5)),
      "list 5 vertices %s, expected %s" % ([fmt_pt(g) for g in got5], [fmt_pt(e) for e in exp5]))
    # list 6: all navaids, yellow points
    b6 = tr.list_blocks(6) or []
    exp6 = [(chart_x_from_seconds(n[6]), chart_y_from_seconds(n[5])) for n in NAVAIDS]
    got6 = [v for b in b6 if b.mode == "GL_POINTS" for v in b.verts]
    c(len(got6) == 4 and all(pt_close(g, e, 0.01) for g, e in zip(got6, exp6)),
      "list 6 points %s, expected %s" % (got6, exp6))
    c(b6 and all(colour_is(b.colour, (1, 1, 0)) for b in b6), "list 6 colour should be yellow")
    # list 10: VOR hexagon and cross
    hexagon = [(-0.1, 0.2), (-0.2, 0), (-0.1, -0.2), (0.1, -0.2), (0.2, 0), (0.1, 0.2)]
    b10 = tr.list_blocks(10) or []
    polys = [b for b in b10 if b.mode == "GL_POLYGON"]
    lines = [b for b in b10 if b.mode == "GL_LINES"]
    c(len(polys) == 1 and len(polys[0].verts) == 6 and all(pt_close(g, e, 1e-4) for g, e in zip(polys[0].verts, hexagon))
      and colour_is(polys[0].colour, (1, 1, 0)) and polys[0].line_width == 2,
      "list 10 hexagon: %s" % [(b.verts, b.colour, b.line_width) for b in polys])
    cross = [(0, -1), (0, 1), (1, 0), (-1, 0)]
    c(len(lines) == 1 and len(lines[0].verts) == 4 and all(pt_close(g, e, 1e-4) for g, e in zip(lines[0].verts, cross))
      and colour_is(lines[0].colour, (1, 1, 0.784)) and lines[0].line_width == 1,
      "list 10 cross: %s" % [(b.verts, b.colour, b.line_width) for b in lines])
    b11 = tr.list_blocks(11) or []
    c(len(b11) == 1 and b11[0].mode == "GL_POLYGON" and all(pt_close(g, e, 1e-4) for g, e in zip(b11[0].verts, hexagon))
      and len(b11[0].verts) == 6 and colour_is(b11[0].colour, (0.47, 0.745, 0.784)),
      "list 11 should be the NDB hexagon only: %s" % [(b.mode, b.verts, b.colour) for b in b11])
    # name lists: decode the glyphs back into text
    font = TxfFont(fx.path("data", "Helvetica.txf"))
    for num_, size, kind in ((12, 0.3125, "airports"), (14, 0.75, "airports"), (13, 0.3125, "navaids"),
                             (15, 0.75, "navaids")):
        got = texts(tr.list_blocks(num_) or [], font)
        if kind == "airports":
            exp = [("KZAB" if a[2] == "KZ" else a[2], chart_x_from_seconds(a[5]) + 1, chart_y_from_seconds(a[4]) - 1)
                   for a in AIRPORTS]
        else:
            exp = [(n[1], chart_x_from_seconds(n[6]), chart_y_from_seconds(n[5]) + 1) for n in NAVAIDS]
        c([g[2] for g in got] == [e[0] for e in exp],
          "list %d texts %s, expected %s" % (num_, [g[2] for g in got], [e[0] for e in exp]))
        for (gx, gy, gt), (et, ex, ey) in zip(got, exp):
            c(abs(gx - ex) <= size and abs(gy - ey) <= size,
              "list %d label %r at (%.3f, %.3f), expected near (%.3f, %.3f) (point size %g)"
              % (num_, gt, gx, gy, ex, ey, size))
        ev = tr.list_events(num_) or []
        c(any(e[0] == "call" and e[1] == "glEnable" and e[2].get("cap") == "GL_TEXTURE_2D" for e in ev),
          "list %d does not enable texturing" % num_)
    c.done()


def case_lists_missing(fx, session):
    """A layer whose file is missing gets no list; the rest still compile and draw."""
    world(fx, rivers=False, runways=False, track=False)
    s = start_viewer(session)
    s.wait_frames(5)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    check_list_order(c, tr, [1, 4, 12, 13, 14, 15, 6, 10, 11])
    c(tr.list_blocks(1), "coastline list missing although its file exists")
    frames = first_chart_frame(tr)
    c(1 in frames[0].lists_called(), "the coastline list is not called in the first frame")
    c(len(tr.contexts) == 1, "without a track there should be one GL context, got %d" % len(tr.contexts))
    c.done()


def case_start_view(fx, session):
    """First frames: clear colour, projection, the 900 NM grid, list 4, no names, the track."""
    world(fx)
    s = start_viewer(session, wait_profile=True)
    s.wait_frames(5)
    s.wait_frames(5, s.profile_wid)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    chart = tr.chart_ctx()
    cc = [rgba for ctx, rgba in tr.clear_colours if ctx == chart]
    c(cc and all(all(abs(a - b) < 1e-5 for a, b in zip(rgba, (0.43, 0.47, 0.41, 1.0))) for rgba in cc),
      "chart clear colours %s, expected (0.43, 0.47, 0.41, 1)" % sorted(set(cc)))
    orth = [o for ctx, _, o in tr.ortho if ctx == chart and o[0] != 0]
    c(orth == [(-18000, 18000, -13500, 13500, -1, 1)],
      "chart projection calls %s, expected one glOrtho(-18000, 18000, -13500, 13500, -1, 1)" % orth)
    frames = first_chart_frame(tr)
    c(len(frames) >= 3, "only %d chart frames in 2 s" % len(frames))
    for f in frames[:3]:
        c(f.scale_args == (1, 1, 1), "frame %d: glScalef%s, expected (1, 1, 1) at zoom 0" % (f.index, f.scale_args))
        c(f.translate is not None and all(abs(v) < 1e-9 for v in f.translate),
          "frame %d: glTranslatef%s, expected (0, 0, 0)" % (f.index, f.translate))
        expected = set()
        for m in range(-18000, 18001, 1500):
            expected.add(((m, -9000), (m, 9000)))
        for m in range(-9000, 9001, 1500):
            expected.add(((-18000, m), (18000, m)))
        got = set((tuple(v[0]), tuple(v[1])) for v in f.grid_lines)
        c(f.grid_count == 38 and got == expected,
          "frame %d: %d grid lines, expected the 25 meridians and 13 parallels of the 900 NM grid; extra %s missing %s"
          % (f.index, f.grid_count, sorted(got - expected)[:5], sorted(expected - got)[:5]))
        called = f.lists_called()
        c(4 in called and 1 in called and 2 in called, "frame %d: lists called %s, expected 4, 1 and 2" % (f.index, called))
        bad = [n for n in called if n in (5, 6, 10, 11, 12, 13, 14, 15)]
        c(not bad, "frame %d: lists %s called at zoom 0" % (f.index, bad))
        # the track: stipple 1/0x1C47 in orange-red, from point 1 on
        stip = f.calls("glLineStipple")
        c(stip and all(int(num(a[2]["factor"])) == 1 and int(num(a[2]["pattern"])) == 0x1C47 for a in stip),
          "frame %d: glLineStipple calls %s, expected (1, 7239)" % (f.index, [a[2] for a in stip]))
        tblocks = [b for b in f.blocks("GL_LINES") if colour_is(b.colour, TRACK_COLOUR)]
        exp = track_segment_vertices()
        got = frame_track_vertices(f)
        c(len(tblocks) == 1 and len(got) == len(exp) and all(pt_close(g, e, 0.01) for g, e in zip(got, exp)),
          "frame %d: track blocks %d with vertices %s, expected one block %s"
          % (f.index, len(tblocks), [fmt_pt(g) for g in got], [fmt_pt(e) for e in exp]))
        en = [e for e in f.events if e[0] == "call" and e[1] in ("glEnable", "glDisable") and e[2].get("cap") == "GL_LINE_STIPPLE"]
        c(len(en) >= 2 and en[0][1] == "glEnable" and en[-1][1] == "glDisable",
          "frame %d: line stipple should be enabled around the track and disabled after" % f.index)
    c.done()


def case_exercise_geometry(fx, session):
    """Exercise course lines, holding legs and turns, waypoint dots and labels at the computed places."""
    world(fx, track=False)
    s = start_viewer(session)
    s.wait_frames(5)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    f = first_chart_frame(tr)[0]
    abc = nav_xy("ABC")
    xy = nav_xy("XY")
    dfx = nav_xy("DEF")
    g0 = holding_geometry(abc[:2], 90, abc[2], 220, 1, False)
    g1 = line_geometry(xy[:2], 270, 45, xy[2])
    g2 = bearing_geometry(dfx[:2], 300, 60, dfx[2], 12.5, 30)
    p3 = (33300 * 180 / 6480.0, 160200 * 90 / 3240.0)
    g3 = coor_geometry(p3, 200, 10)
    g4 = holding_geometry(abc[:2], 200, abc[2], 180, 1.5, True)
    tol = 0.01
    course = line_pairs(f.blocks(), COURSE)
    for name, g in (("holding right", g0), ("line", g1), ("bearing waypoint", g2), ("coordinate waypoint", g3),
                    ("holding left", g4)):
        c(has_segment(course, g["qdmFrom"], g["qdmTo"], tol),
          "%s: no course line %s-%s" % (name, fmt_pt(g["qdmFrom"]), fmt_pt(g["qdmTo"])))
        c(has_segment(course, g["qdrFrom"], g["qdrTo"], tol),
          "%s: no course line %s-%s" % (name, fmt_pt(g["qdrFrom"]), fmt_pt(g["qdrTo"])))
    c(len(course) == 10, "%d course-coloured lines, expected 10 (two per exercise)" % len(course))
    # the holding turns: cubic evaluators through the control points, 16 steps each
    maps = [e[2] for e in f.calls("glMap1f")]
    exp_maps = []
    for g in (g0, g4):
        exp_maps.append([g["qdmTo"], g["qdmTo"], g["c1"], g["qdrFrom"]])
        exp_maps.append([g["qdmFrom"], g["qdmFrom"], g["c2"], g["qdrTo"]])
    got_maps = []
    for m in maps:
        p = nums(m.get("points", "{}"))
        c(m.get("target") == "GL_MAP1_VERTEX_3" and num(m["u1"]) == 0 and num(m["u2"]) == 1
          and int(num(m["stride"])) == 3 and int(num(m["order"])) == 4,
          "glMap1f arguments %s" % {k: v for k, v in m.items() if k != "points"})
        got_maps.append([(p[i], p[i + 1]) for i in range(0, len(p) - 2, 3)])
    for em in exp_maps:
        c(any(len(gm) == 4 and all(pt_close(a, b, tol) for a, b in zip(gm, em)) for gm in got_maps),
          "no glMap1f with control points %s; got %s" % ([fmt_pt(p) for p in em],
                                                         [[fmt_pt(p) for p in gm] for gm in got_maps]))
    strips = [b for b in f.blocks("GL_LINE_STRIP") if b.evals]
    c(len(strips) == 4, "%d evaluated line strips, expected 4 (two turns per holding)" % len(strips))
    for b in strips:
        c(len(b.evals) == 16 and all(abs(u - i / 15.0) < 1e-6 for i, u in enumerate(b.evals)),
          "turn evaluated at %s, expected u = i/15 for i = 0..15" % b.evals)
        c(colour_is(b.colour, COURSE), "turn colour %s, expected the course-line colour" % (b.colour,))
    # waypoint dots
    pts = [(b, v) for b in f.blocks("GL_POINTS") for v in b.verts]
    c(any(colour_is(b.colour, (1, 0.5, 0)) and pt_close(v, g2["wp"], tol) and b.point_size == 5 for b, v in pts),
      "no orange waypoint dot of size 5 at %s; points %s" % (fmt_pt(g2["wp"]),
                                                            [(b.colour, fmt_pt(v), b.point_size) for b, v in pts]))
    c(any(colour_is(b.colour, (1, 1, 0)) and pt_close(v, p3, tol) for b, v in pts),
      "no yellow coordinate-waypoint dot at %s" % fmt_pt(p3))
    # labels
    font = TxfFont(fx.path("data", "Helvetica.txf"))
    got = texts(f.blocks(), font)
    want = [("QDM :  90.00", g0["qdmTo"]), ("QDR : 270.00", g0["qdrTo"]),
            ("QDM : 270.00", g1["qdmFrom"]), ("QDR :  45.00", g1["qdrTo"]),
            ("QDM : 300.00", g2["qdmFrom"]), ("QDR :  60.00", g2["qdrTo"]),
            ("QDM : 200.00", g4["qdmTo"]), ("QDR :  20.00", g4["qdrTo"])]
    for text, at in want:
        # blanks have no ink; compare the visible characters and the start point
        vis = text.replace(" ", "")
        ok = any(t.replace(" ", "") == vis and abs(x - at[0]) < 0.4 and abs(y - at[1]) < 0.4 for x, y, t in got)
        c(ok, "label %r not drawn at %s; drawn %s" % (text, fmt_pt(at),
                                                      [(round(x, 2), round(y, 2), t) for x, y, t in got
                                                       if "QD" in t.replace(" ", "")][:12]))
    c.done()


def case_profile(fx, session):
    """The profile window: projection, grid, axes, labels and the scaled curve from the first point."""
    world(fx)
    s = start_viewer(session, wait_profile=True)
    c = Checks()
    c(s.profile_wid is not None, "no profile window %r" % PROFILE_TITLE)
    s.wait_frames(5)
    s.wait_frames(5, s.profile_wid)
    s.stop()
    tr = s.read_trace()
    prof = tr.profile_ctx()
    check(prof is not None, "only one GL context in the trace")
    orth = [o for ctx, _, o in tr.ortho if ctx == prof and o[0] != 0]
    c(orth == [(-100, 1100, -100, 1100, -1, 1)], "profile projection calls %s" % orth)
    frames = [f for f in tr.profile_frames() if f.blocks()]
    check(frames, "no profile frame drew anything")
    f = frames[min(2, len(frames) - 1)]
    # grid: 20 verticals then 20 horizontals
    exp_grid = [((v, 0), (v, 1000)) for v in range(50, 1001, 50)] + [((0, v), (1000, v)) for v in range(50, 1001, 50)]
    got_grid = [(tuple(a), tuple(b)) for a, b in f.grid_lines]
    c(got_grid == exp_grid, "profile grid lines %s..., expected %s..." % (got_grid[:3], exp_grid[:3]))
    axes = [b for b in f.blocks("GL_LINES") if colour_is(b.colour, GREY)]
    exp_axes = [(0, 0), (0, 1000), (0, 0), (1000, 0), (1000, 10), (1000, -10), (-10, 1000), (10, 1000),
                (-10, 500), (0, 500), (-10, 750), (0, 750), (-10, 250), (0, 250)]
    c(len(axes) == 1 and len(axes[0].verts) == 14 and all(pt_close(g, e, 1e-6) for g, e in zip(axes[0].verts, exp_axes)),
      "profile axes %s" % [b.verts for b in axes])
    # curve
    alts = [p[2] for p in TRACK]
    el, acc = [], 0.0
    for p in TRACK:
        acc += f32(p[3])
        el.append(acc)
    top = max(alts) + 1000.0
    sc = [(e * 1000.0 / el[-1], a * 1000.0 / top) for e, a in zip(el, alts)]
    exp = []
    for i in range(len(sc) - 1):
        exp += [sc[i], sc[i + 1]]
    curve = [b for b in f.blocks("GL_LINES") if colour_is(b.colour, (0.8, 0.5, 0))]
    got = [v for b in curve for v in b.verts]
    c(len(curve) == 1 and len(got) == len(exp) and all(pt_close(g, e, 0.01) for g, e in zip(got, exp)),
      "profile curve %s, expected %s" % ([fmt_pt(g) for g in got], [fmt_pt(e) for e in exp]))
    font = TxfFont(fx.path("data", "Helvetica.txf"))
    labels = texts(f.blocks(), font)
    seen = [t.replace(" ", "") for _, _, t in labels]
    c("5500ft" in seen, "altitude label '5500 ft' not drawn; drawn %s" % [t for _, _, t in labels])
    c("40sec" in seen, "time label '40 sec' not drawn; drawn %s" % [t for _, _, t in labels])
    c.done()


def case_screenshot(fx, session):
    """On screen: the background colour and green coastline pixels where the known lines cross."""
    world(fx, track=False)
    s = start_viewer(session, trace=False)
    s.wait_frames(5)
    img = s.screenshot(save=fx.path("chart.ppm"))
    c = Checks()
    c((img.w, img.h) == (640, 480), "chart window is %dx%d, expected 640x480" % (img.w, img.h))
    w, h = img.w, img.h

    def px(x, y):  # chart units -> window pixel, top-left origin, at zoom 0 and centre 0, 0
        return (w / 2.0 + x * w / 36000.0, h / 2.0 - y * h / 27000.0)

    bg = (110, 120, 105)
    for cx, cy in ((-5200, -5300), (-11200, 5300), (8300, -7700), (14200, 6700)):
        x, y = px(cx, cy)
        c(img.close(int(x), int(y), bg, 3), "pixel %d,%d is %s, expected the background %s"
          % (x, y, img.pixel(int(x), int(y)), bg))
    green = (0, 255, 0)
    for lon in (-80, -45, -20, 20, 45, 80):
        x, y = px(lon * 100, 1000)
        hit = img.find_near(int(round(x)), int(round(y)), green, 40, 1)
        c(hit is not None, "no coastline pixel near %d,%d (the 10 N line at %d E)" % (x, y, lon))
    for lat in (-35, -15, 20, 35):
        x, y = px(3000, lat * 100)
        hit = img.find_near(int(round(x)), int(round(y)), green, 40, 1)
        c(hit is not None, "no coastline pixel near %d,%d (the 30 E line at %d N)" % (x, y, lat))
    # a place the line does not reach stays background
    x, y = px(15000, 1000)
    c(img.find_near(int(x), int(y), green, 40, 2) is None, "coastline pixels beyond the line's end at %d,%d" % (x, y))
    # a wider window stretches the same 36000 by 27000 units over it
    s.xdo("windowsize", s.chart_wid, 960, 600)
    s.wait_geometry(s.chart_wid, lambda g: g[2:] == (960, 600))
    s.wait_frames(3)
    img = s.screenshot()
    c((img.w, img.h) == (960, 600), "resized chart window is %dx%d" % (img.w, img.h))
    w, h = img.w, img.h
    for lon in (-80, -20, 45, 80):
        x, y = px(lon * 100, 1000)
        c(img.find_near(int(round(x)), int(round(y)), green, 40, 1) is not None,
          "960x600: no coastline pixel near %d,%d (the 10 N line at %d E)" % (x, y, lon))
    for lat in (-35, 20):
        x, y = px(3000, lat * 100)
        c(img.find_near(int(round(x)), int(round(y)), green, 40, 1) is not None,
          "960x600: no coastline pixel near %d,%d (the 30 E line at %d N)" % (x, y, lat))
    c.done()


def case_report(fx, session):
    """The exercise report is printed once, at the first frame, and nothing else for a valid file."""
    world(fx, track=False)
    s = start_viewer(session, trace=False)
    s.wait_frames(5)
    c = Checks()
    out = s.stdout()
    c(out.count("IFR EXERCICE") == 1, "report title printed %d times" % out.count("IFR EXERCICE"))
    c(REPORT in out, "report differs:\n%s\nexpected:\n%s" % (out, REPORT))
    c("ERROR" not in out, "error messages printed for a valid exercise file: %r" % out[:400])
    c(s.alive(), "viewer ended on its own")
    c.done()


def case_exit(fx, session):
    """"Exit" writes its message to stderr and ends the process with status 1."""
    world(fx, track=False, exercises=None)
    s = start_viewer(session, trace=False)
    s.wait_frames(5)
    c = Checks()
    c(s.alive(), "viewer ended on its own")
    s.click(43, 9, frames=0)     # "Exit" at (18..68, 462..480)
    st = s.wait_exit(30)
    c(st == 1, "exit status after Exit: %s, expected 1" % st)
    c("Exiting program.\n" in s.stderr(), "stderr lacks 'Exiting program.': %r" % s.stderr()[-500:])
    c.done()


def case_no_font(fx, session):
    """Without the font file both windows still run and PLIB says why on stderr."""
    world(fx, font=False)
    s = start_viewer(session, trace=False, wait_profile=True)
    c = Checks()
    c(s.profile_wid is not None, "no profile window without the font")
    if s.profile_wid:
        s.wait_drawn(s.profile_wid)
        s.wait_frames(5, s.profile_wid)
    s.wait_frames(5)
    c(s.alive(), "viewer ended without the font: %s" % s.stderr()[-500:])
    err = s.stderr()
    c("fntLoadTXF: Failed to open" in err, "stderr lacks PLIB's font message: %r" % err[-500:])
    # still redrawing: two screenshots of the chart keep the background
    img = s.screenshot()
    c(background_shows(img), "chart not drawn without the font")
    c.done()


def case_windows_no_track(fx, session):
    """Without a track: one window, the four buttons, no "Load"."""
    world(fx, track=False)
    s = start_viewer(session)
    s.wait_frames(5)
    c = Checks()
    c(len(s.windows(PROFILE_TITLE)) == 0, "profile window exists without a track")
    c(s.geometry(s.chart_wid)[2:] == (640, 480), "chart size %s" % (s.geometry(s.chart_wid)[2:],))
    s.stop()
    tr = s.read_trace()
    c(len(tr.contexts) == 1, "%d GL contexts without a track" % len(tr.contexts))
    f = first_chart_frame(tr)[-1]
    boxes = rects(f)
    for left in (18, 71, 124, 177):
        c((left, 462, left + 50, 480) in boxes, "no button box at (%d, 462, %d, 480)" % (left, left + 50))
    c((230, 462, 280, 480) not in boxes, "a fifth button (Load) drawn without a track")
    c.done()


def case_windows_track(fx, session):
    """With a track: two windows, the profile at (80, 100) 480x480, "Load"; then a resize to 800x600."""
    world(fx)
    s = start_viewer(session, wait_profile=True)
    c = Checks()
    check(s.profile_wid is not None, "no profile window with a track")
    s.wait_drawn(s.profile_wid)
    g = s.geometry(s.profile_wid)
    c(g == (80, 100, 480, 480), "profile window at %s, expected (80, 100, 480, 480)" % (g,))
    gc = s.geometry(s.chart_wid)
    c(gc == (80, 80, 640, 480), "chart window at %s, expected (80, 80, 640, 480)" % (gc,))
    s.wait_frames(2)
    s.xdo("windowsize", s.chart_wid, 800, 600)
    s.wait_geometry(s.chart_wid, lambda g: g[2:] == (800, 600))
    s.wait_frames(5)
    s.stop()
    tr = s.read_trace()
    frames = first_chart_frame(tr)
    small = [f for f in frames if f.viewport == (0, 0, 640, 480)]
    big = [f for f in frames if f.viewport == (0, 0, 800, 600)]
    check(small, "no chart frame with the 640x480 viewport; viewports %s" % sorted(set(f.viewport for f in frames)))
    boxes = rects(small[-1])
    for left in (18, 71, 124, 177, 230):
        c((left, 462, left + 50, 480) in boxes, "640x480: no button box at (%d, 462, %d, 480)" % (left, left + 50))
    c((0, 0, 18, 480) in boxes, "640x480: no ZM slider box (0, 0, 18, 480)")
    c((622, 0, 640, 480) in boxes, "640x480: no LT slider box (622, 0, 640, 480)")
    c((18, 0, 622, 18) in boxes, "640x480: no Long slider box (18, 0, 622, 18)")
    c(big, "no chart frame after the resize to 800x600")
    if big:
        boxes = rects(big[-1])
        for left in (18, 71, 124, 177, 230):
            c((left, 582, left + 50, 600) in boxes, "800x600: no button box at (%d, 582, %d, 600)" % (left, left + 50))
        c((782, 0, 800, 600) in boxes, "800x600: no LT slider box at x 782 (782, 0, 800, 600)")
        c((18, 0, 782, 18) in boxes, "800x600: Long slider box should be (18, 0, 782, 18), 764 long")
        c((0, 0, 18, 600) in boxes, "800x600: no ZM slider box (0, 0, 18, 600)")
        c(big[-1].scale is not None and not any(o for ctx, i, o in tr.ortho if ctx == tr.chart_ctx() and o[0] != 0 and i > small[-1].index),
          "the chart projection was set again after the resize")
    c.done()


# -- zoom bands -------------------------------------------------------

BANDS = [(0, 100), (101, 250), (251, 350), (351, 1000), (1001, 2500)]


def band_of(z):
    for i, (lo, hi) in enumerate(BANDS):
        if lo <= z <= hi:
            return i
    return None


def zm_y(z, h=480):
    """Window row (top origin) on the ZM slider that a click from value 0 turns into zoom z.

    PUI's slider keeps a tenth of its length for the handle: from value 0 a
    click at c pixels above the bottom gives (c - 0.05 h) / (0.9 h) of the range."""
    return int(round(h - 0.05 * h - z * 0.9 * h / 2500.0 - 0.5))


def set_zoom(s, z):
    """Drives "ZM" to about z: first to the bottom (value 0), then a click at z's place;
    each time until the chart shows the change."""
    s.click(9, 479, frames=0)     # PUI takes the events in order: no frame in between
    s.click(9, zm_y(z))


def tap(s, x, y, button=1):
    """A click on the chart window that waits until its effect is on screen."""
    return s.act(lambda: s.click(x, y, button=button))


def check_band_frame(c, f, names_on):
    z = f.zoom()
    band = band_of(z)
    called = f.lists_called()
    tag = "zoom %d" % z
    c(1 in called and 2 in called, "%s: coastline and river lists not called: %s" % (tag, called))
    exp_grid = {0: 38, 1: 902, 2: 902, 3: 10802, 4: 10802}[band]
    c(f.grid_count == exp_grid, "%s: %d grid lines, expected %d" % (tag, f.grid_count, exp_grid))
    if band in (1, 2):
        # centre latitude 0: meridians every 60 units from -18000, then parallels every 60 from -9000
        want = [((m, -9000), (m, 9000)) for m in range(-18000, 18001, 60)] + \
               [((-18000, m), (18000, m)) for m in range(-9000, 9001, 60)]
        got = [(tuple(a), tuple(b)) for a, b in f.grid_lines]
        c(got == want[:len(got)] and len(got) == min(len(want), 1000),
          "%s: 36 NM grid lines differ, first %s" % (tag, got[:3]))
    want = {0: {4}, 1: {5, 6}, 2: {5, 6}, 3: {5}, 4: {5}}[band]
    if names_on:
        want |= {0: set(), 1: set(), 2: {14, 15}, 3: {14, 15}, 4: {12, 13}}[band]
    got = set(n for n in called if n in (4, 5, 6, 12, 13, 14, 15))
    c(got == want, "%s (names %s): lists %s, expected %s" % (tag, "on" if names_on else "off", sorted(got), sorted(want)))
    sym10 = called.count(10)
    sym11 = called.count(11)
    if band >= 3:
        c(sym10 == len(VOR_IDS) and sym11 == len(NDB_IDS),
          "%s: VOR/NDB symbols called %d/%d times, expected %d/%d" % (tag, sym10, sym11, len(VOR_IDS), len(NDB_IDS)))
        check_symbol_transforms(c, f, tag)
    else:
        c(sym10 == 0 and sym11 == 0, "%s: navaid symbols drawn below zoom 351" % tag)


def check_symbol_transforms(c, f, tag):
    ev = f.events
    seen = []
    for i, e in enumerate(ev):
        if e[0] != "list" or e[1] not in (10, 11):
            continue
        tr_, rot = None, None
        for back in range(i - 1, max(-1, i - 8), -1):
            b = ev[back]
            if b[0] != "call":
                continue
            if b[1] in ("glRotated", "glRotatef") and rot is None:
                rot = num(b[2]["angle"]), num(b[2]["z"])
            if b[1] in ("glTranslated", "glTranslatef"):
                tr_ = (num(b[2]["x"]), num(b[2]["y"]))
                break
            if b[1] == "glPushMatrix":
                break
        seen.append((e[1], tr_, rot))
    for ident in VOR_IDS:
        x, y, var = nav_xy(ident)
        c(any(n == 10 and t and pt_close(t, (x, y), 0.01) and r and near(r[0], -var, 1e-6) and r[1] == 1
              for n, t, r in seen),
          "%s: VOR %s not drawn at (%g, %g) turned by glRotated(%g, 0, 0, 1); symbol calls %s"
          % (tag, ident, x, y, -var, seen))
    for ident in NDB_IDS:
        x, y, var = nav_xy(ident)
        c(any(n == 11 and t and pt_close(t, (x, y), 0.01) and (r is None or near(r[0], 0, 1e-9)) for n, t, r in seen),
          "%s: NDB %s not drawn unturned at (%g, %g); symbol calls %s" % (tag, ident, x, y, seen))
    modes = [e[2].get("mode") for e in f.calls("glPolygonMode")]
    c("GL_LINE" in modes and modes and modes[-1] == "GL_FILL",
      "%s: polygon mode around the symbols %s, expected GL_LINE then GL_FILL" % (tag, modes))


def case_zoom_bands(fx, session):
    """ZM slider: in each zoom band the grid, lists and symbols of the table; " ID " hides the names."""
    world(fx, track=False)
    s = start_viewer(session)
    s.wait_frames(5)
    # phase 1, names on: one click per band, then back to the lowest band
    plan1 = [180, 300, 700, 1001, 1800, 50]   # 1001 is the first zoom with the small names
    plan2 = [310, 650, 2000, 30]         # names off (after one " ID " press)
    plan3 = [320]                        # names on again (second press)
    for z in plan1:
        set_zoom(s, z)
    tap(s, 149, 9)                       # " ID " at (124..174, 462..480)
    for z in plan2:
        set_zoom(s, z)
    tap(s, 149, 9)
    for z in plan3:
        set_zoom(s, z)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    frames = first_chart_frame(tr)
    runs = []
    for f in frames:
        if runs and runs[-1][0] == f.zoom():
            runs[-1][1].append(f)
        else:
            runs.append((f.zoom(), [f]))
    # every target click is preceded by a click that takes the slider back to 0
    targets = [r for r in runs if r[0] != 0]
    zooms = [z for z, _ in runs]
    plan = plan1 + plan2 + plan3
    check(len(targets) == len(plan), "expected %d zoom steps from the slider clicks, got the zoom sequence %s"
          % (len(plan), zooms))
    check(all(len(fs) >= 1 for _, fs in targets), "a zoom step drew no frame")
    names = [True] * len(plan1) + [False] * len(plan2) + [True] * len(plan3)
    visited = set()
    for (z, fs), on, planned in zip(targets, names, plan):
        if planned == 1001:
            # the slider moves in steps of 2500 / 432; from 0 a click reaches 1001 exactly
            c(z == 1001, "slider click aimed at zoom 1001 gave %d" % z)
        c(band_of(z) == band_of(planned), "slider click aimed at zoom %d gave %d (another band)" % (planned, z))
        visited.add((band_of(z), on))
        for f in fs[:2] + fs[-1:]:
            check_band_frame(c, f, on)
    for f in [fs for z, fs in runs if z == 0][0][:2]:
        check_band_frame(c, f, True)
    for band in range(5):
        c((band, True) in visited, "zoom band %s never reached with names on" % (BANDS[band],))
    for band in (2, 3, 4):
        c((band, False) in visited, "zoom band %s never reached with names off" % (BANDS[band],))
    c.done()


# -- re-centring ------------------------------------------------------

def match_sequence(runs, expected, tol=0.5):
    """runs: the distinct centres in frame order; expected: centres, or None for
    one or more states of the slider in between.  Returns an error text or None."""
    i = 0
    for k, e in enumerate(expected):
        if e is None:
            if i >= len(runs):
                return "expected a slider move after %s, the run ended" % (runs[-1:],)
            nxt = expected[k + 1] if k + 1 < len(expected) else None
            i += 1
            while i < len(runs) and nxt is not None and not pt_close(runs[i], nxt, tol):
                i += 1
            continue
        if i >= len(runs) or not pt_close(runs[i], e, tol):
            return "centre #%d is %s, expected %s (all centres %s)" % (k, runs[i] if i < len(runs) else None, e, runs)
        i += 1
    if i != len(runs):
        return "extra centres after the last expected one: %s (all %s)" % (runs[i:], runs)
    return None


def case_recentre(fx, session):
    """A press on the chart re-centres by every button; a release re-applies the click position."""
    world(fx, track=False)
    s = start_viewer(session)
    s.wait_frames(5)
    w, h = 640, 480
    expected = [(0, 0)]
    ax = ay = 0

    def centre():
        return (ax * 36000 // w, int(ay * 27000.0 / h))

    tap(s, 384, 240, button=1)           # 64 px right of the centre, left button: 3600 at zoom 0
    ax += 384 - w // 2
    ay += h // 2 - 240
    expected.append(centre())
    tap(s, 320, 200, button=3)           # right button, 40 px up
    ax += 320 - w // 2
    ay += h // 2 - 200
    expected.append(centre())
    tap(s, 300, 260, button=2)           # middle button, 20 left and 20 down
    ax += 300 - w // 2
    ay += h // 2 - 260
    expected.append(centre())
    tap(s, 150, 471)                     # the "Long" slider moves the view, not the click position
    expected.append(None)
    tap(s, 320, 240)                     # press at the centre: back to where the clicks put it
    expected.append(centre())
    s.press(520, 471)                    # press on "Long", release on the chart
    s.release(400, 300)
    expected.append(None)
    expected.append(centre())
    set_zoom(s, 60)                      # zoomed in, the pixel offset is divided by the zoom value
    tap(s, 620, 100)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    frames = first_chart_frame(tr)
    z = frames[-1].zoom()
    c(z and 30 < z < 100, "zoom after the ZM click is %s" % z)
    if z:
        ax += int((620 - w // 2) / z)
        ay += int((h // 2 - 100) / z)
        expected.append(centre())
    runs = []
    for f in frames:
        t = (-f.translate[0], -f.translate[1]) if f.translate else None
        if not runs or runs[-1] != t:
            runs.append(t)
    c(expected[1] == (3600, 0), "reference: 64 px right at zoom 0 should be 3600")
    err = match_sequence(runs, expected)
    c(err is None, "re-centring: %s; expected %s" % (err, expected))

    c.done()


# -- IFR and User -----------------------------------------------------

def case_ifr_user(fx, session):
    """"IFR" centres on a valid first exercise at ZM 1225; "User" centres on track point 1."""
    world(fx)
    s = start_viewer(session, wait_profile=True)
    move_profile_away(s)
    s.wait_frames(3)
    tap(s, 96, 9)                   # "User" (71..121)
    tap(s, 202, 9)                  # "IFR" (177..227)
    s.stop()
    tr = s.read_trace()
    c = Checks()
    frames = first_chart_frame(tr)
    states = []
    for f in frames:
        st = (f.scale, (-f.translate[0], -f.translate[1]) if f.translate else None)
        if not states or states[-1] != st:
            states.append(st)
    ux = int(TRACK[1][1] * 180 / 6480.0)
    uy = int(TRACK[1][0] * 90 / 3240.0)
    ix, iy, _ = nav_xy("ABC")
    exp = [(1, (0, 0)), (1, (ux, uy)), (1226, (int(ix), int(iy)))]
    c(states == exp, "view states (scale, centre) %s, expected %s" % (states, exp))
    # at 45 N the 3 NM meridians are spread by the meridian factor 1 / cos(45 degrees)
    k = 1.0 / math.cos(int(iy) * F32_PI / 18000.0)
    zoomed = [f for f in frames if f.scale == 1226]
    if zoomed:
        f = zoomed[-1]
        c(f.grid_count == 7201 + 3601, "3 NM grid at IFR zoom: %d lines, expected 10802" % f.grid_count)
        got = [tuple(l[0]) for l in f.grid_lines[:20]]
        want = [(f32((-18000 + 5 * i) * k), -9000) for i in range(20)]
        c(len(got) == 20 and all(pt_close(g, w, 0.02) for g, w in zip(got, want)),
          "3 NM meridians at centre y %d start %s, expected x = m * %.6f: %s" % (int(iy), got[:4], k, want[:4]))
    c.done()


def case_ifr_invalid(fx, session):
    """"IFR" with a first exercise whose navaid is not found moves nothing."""
    world(fx, track=False, exercises=exercise_xml(0, "QQQ", "VOR", "NOWHERE", "LINE", nav={"QDM": 10})
          + exercise_xml(1, "XY", "NDB", "XRAY", "LINE", nav={"QDR": 45, "QDM": 270}))
    s = start_viewer(session)
    s.wait_frames(5)
    s.click(202, 9)                      # nothing should move
    s.stop()
    tr = s.read_trace()
    c = Checks()
    frames = first_chart_frame(tr)
    states = set((f.scale, f.translate) for f in frames)
    c(states == {(1, (0, 0, 0))}, "view changed after IFR with an invalid exercise: %s" % states)
    out = s.stdout()
    c("MESSAGE ERROR : CAN'T FIND SELECTED NAVAID" in out, "no navaid error message printed")
    # the exercise after the failed lookup is reported but not drawn
    c(out.count("NAVAID POINT") == 2, "report should list both exercises: %r" % out[-400:])
    course = [p for f in frames[:3] for p in line_pairs(f.blocks(), COURSE)]
    c(not course, "course lines drawn although the first lookup failed: %s" % course[:4])
    c.done()


# -- Load -------------------------------------------------------------

SECOND_TRACK = [
    (162000, 36000, 500, 0.0),
    (162360, 36720, 800, 20.0),
    (162720, 37440, 900, 20.0),
    (163080, 38160, 700, 20.0),
]


def selector_buttons(h):
    """Cancel, Ok and the path field of PLIB's file selector made at (10, 10) (window rows from the top)."""
    return {"cancel": (55, h - 30), "ok": (135, h - 30), "input": (235, h - 60)}


def clear_field(s, fx):
    """Empties the selector's path field (it starts with the folder's absolute path)."""
    n = len(fx.root) + len("/data/") + 4
    s.xdo("key", "--delay", "8", *(["BackSpace"] * n), timeout=30)


def case_load(fx, session):
    """"Load": a chosen file replaces the track on chart and profile; cancel keeps the track."""
    world(fx)
    second = fx.track(SECOND_TRACK, rel="data/second.dat")
    s = start_viewer(session, wait_profile=True)
    move_profile_away(s)
    s.wait_frames(3)
    b = selector_buttons(480)
    # first: cancel
    tap(s, 255, 9)                       # "Load" (230..280)
    tap(s, *b["cancel"])
    out = s.stdout()
    c = Checks()
    c("Load canceled\n" in out, "cancel did not print 'Load canceled': %r" % out[-300:])
    # then: choose the second file by typing its path
    tap(s, 255, 9)
    s.click(*b["input"])
    s.key("End")
    clear_field(s, fx)
    s.type(second)
    tap(s, *b["ok"])
    out = s.stdout()
    c(("Load File:\n%s\n" % second) in out, "choosing a file did not print 'Load File:' and the path: %r" % out[-400:])
    # last: a file holding only the header line
    bad = fx.write("data/bad.dat", "1 0 0\n")
    tap(s, 255, 9)
    s.click(*b["input"])
    s.key("End")
    clear_field(s, fx)
    s.type(bad)
    tap(s, *b["ok"])
    out = s.stdout()
    c(("Load File:\n%s\nNo user data : bad file format !\n" % bad) in out,
      "loading a header-only file should print the path and the format message: %r" % out[-400:])
    c(s.alive(), "viewer ended after loading a bad file")
    s.stop()
    tr = s.read_trace()
    frames = first_chart_frame(tr)

    first, new = track_segment_vertices(TRACK), track_segment_vertices(SECOND_TRACK)

    def same(a, b):
        return len(a) == len(b) and all(pt_close(p, q, 0.01) for p, q in zip(a, b))

    kinds = []
    for f in frames:
        t = frame_track_vertices(f)
        k = "first" if same(t, first) else "second" if same(t, new) else "none" if not t else "other:%s" % t[:4]
        if not kinds or kinds[-1] != k:
            kinds.append(k)
    c(kinds == ["first", "second", "none"],
      "chart track sequence %s, expected the first track, the second, then none after the bad file" % kinds)
    pk = []
    font = TxfFont(fx.path("data", "Helvetica.txf"))
    labels = {}
    for f in tr.profile_frames():
        if not f.blocks():
            continue
        bl = [b for b in f.blocks("GL_LINES") if colour_is(b.colour, (0.8, 0.5, 0))]
        n = sum(len(b.verts) for b in bl)
        if not pk or pk[-1] != n:
            pk.append(n)
            labels[len(pk) - 1] = sorted(t.replace(" ", "") for _, _, t in texts(f.blocks(), font))
    exp = [2 * (len(TRACK) - 1), 2 * (len(SECOND_TRACK) - 1), 0]
    c(pk == exp, "profile curve vertex counts %s, expected %s" % (pk, exp))
    if len(pk) >= 2:
        # the top of the scale keeps the highest altitude seen (4500 + 1000); the time is the new track's
        c(labels[1] == ["5500ft", "60sec"], "profile labels after the second track %s, expected 5500 ft and 60 sec"
          % labels[1])
    if len(pk) >= 3:
        c("5500ft" in labels[2], "profile altitude label after the bad file %s, expected 5500 ft" % labels[2])
    c.done()



def case_follow(fx, session):
    """Key 'f': while on, points appended to the track file show on chart and profile, centred on the last."""
    world(fx)
    s = start_viewer(session, wait_profile=True)
    move_profile_away(s)
    path = fx.path("data", "__ORVANDEL.dat")
    added = [[(158400, 19800, 3000, 10.0), (158760, 20160, 3200, 10.0)],   # before 'f': must not show
             [(159120, 20520, 3300, 10.0)],                               # while following
             [(159480, 20880, 3400, 10.0)]]                               # after 'f' again: must not show

    def append(points):
        with open(path, "a") as f:
            for lat, lon, alt, dt in points:
                f.write("%.2f %.2f %.2f %.2f\n" % (lat, lon, alt, dt))

    c = Checks()
    append(added[0])
    time.sleep(2.5)                      # follow off: twice the check period passes unseen
    c(s.act(lambda: s.key("f")), "turning follow on changed nothing on screen")
    append(added[1])
    c(s.wait_change(s.snap(), timeout=10), "a point appended while following did not show within 10 s")
    s.key("f")
    append(added[2])
    time.sleep(2.5)
    s.stop()
    out = s.stdout()
    c("Follow on\n" in out and out.index("Follow on\n") < out.find("Follow off\n"),
      "expected 'Follow on' then 'Follow off' on standard output: %r" % out[-300:])

    tr = s.read_trace()
    tracks = [TRACK, TRACK + added[0], TRACK + added[0] + added[1]]

    def which(t):
        for i, tk in enumerate(tracks):
            e = track_segment_vertices(tk)
            if len(t) == len(e) and all(pt_close(p, q, 0.01) for p, q in zip(t, e)):
                return i
        return "other(%d vertices)" % len(t)

    seq, centres = [], []
    for f in first_chart_frame(tr):
        k = which(frame_track_vertices(f))
        centre = (-f.translate[0], -f.translate[1]) if f.translate else None
        if not seq or seq[-1][0] != k or seq[-1][1] != centre:
            seq.append((k, centre))
    last = [track_chart_points(tk)[-1] for tk in tracks]
    want = [(0, (0.0, 0.0)), (1, (float(int(last[1][0])), float(int(last[1][1])))),
            (2, (float(int(last[2][0])), float(int(last[2][1]))))]
    c(seq == want, "chart (track, centre) sequence %s; expected %s" % (seq, want))
    counts = []
    for f in tr.profile_frames():
        bl = [b for b in f.blocks("GL_LINES") if colour_is(b.colour, (0.8, 0.5, 0))]
        if bl:
            n = sum(len(b.verts) for b in bl)
            if not counts or counts[-1] != n:
                counts.append(n)
    c(counts == [2 * (len(t) - 1) for t in tracks], "profile curve vertex counts %s, expected %s"
      % (counts, [2 * (len(t) - 1) for t in tracks]))
    c.done()

def case_empty_folder(fx, session):
    """A folder with none of the files: the chart still opens and redraws; the report says why it is empty."""
    s = start_viewer(session, trace=False)
    s.wait_frames(5)
    c = Checks()
    c(s.alive(), "viewer ended in an empty folder: %s" % s.stderr()[-500:])
    c(len(s.windows(PROFILE_TITLE)) == 0, "profile window without a track")
    out = s.stdout()
    c("NO IFR EXERCISES XML FILE FOUND" in out, "no 'NO IFR EXERCISES XML FILE FOUND' message: %r" % out[-300:])
    c(out.count("IFR EXERCICE  : NO IFR EXERCISE\n") == 1, "report title for an empty set missing: %r" % out[-300:])
    img = s.screenshot()
    c(background_shows(img), "chart not drawn in an empty folder")
    # "IFR" with no exercise and "User" with no track change nothing and end nothing
    def chart_area():       # below the buttons and inside the sliders; PUI retints a pressed button
        img = s.screenshot()
        return [img.data[(y * img.w + 20) * 3:(y * img.w + img.w - 20) * 3] for y in range(20, img.h - 20)]

    before = chart_area()
    for x in (202, 96):
        s.click(x, 9)
        s.move(400, 300)
        s.wait_frames(3)
        c(s.alive(), "viewer ended after the button at x %d in an empty folder: %s" % (x, s.stderr()[-300:]))
    s.wait_frames(3)
    c(chart_area() == before, "the chart changed after IFR and User with no exercise and no track")
    c.done()


def bad_files(fx):
    """Writes one damaged file of each kind; returns {name: writer} so each can be tried alone."""
    import random
    rnd = random.Random(7)

    def coast():   # a segment that claims two thousand million points, then the file ends
        fx.write("data/world_coast.dat", "2 1 30\n1 0 0 0 0 2000000000\n5 5\n6 6\n")

    def rivers():  # binary noise
        with open(fx.path("data", "rivers.dat"), "wb") as f:
            f.write(bytes(rnd.randrange(256) for _ in range(4000)))

    def airports():  # a directory that points far outside the file
        blob = bytearray(rnd.randrange(256) for _ in range(300))
        blob[88:92] = (0xFFFFFFFF).to_bytes(4, "little")
        blob[264:268] = (0x7FFFFFF0).to_bytes(4, "little")
        with open(fx.path("SYSTEM", "AIRPORT.POD"), "wb") as f:
            f.write(bytes(blob))

    def navaids():  # a good archive cut in half
        fx.navaids(NAVAIDS * 20)
        p = fx.path("SYSTEM", "NAVAID.POD")
        with open(p, "rb") as f:
            blob = f.read()
        with open(p, "wb") as f:
            f.write(blob[:len(blob) // 2])

    def runways():  # a good archive whose table header claims 2^31 - 1 records of length 0
        fx.runways(RUNWAYS)
        p = fx.path("SYSTEM", "RUNWAY.POD")
        with open(p, "rb") as f:
            blob = bytearray(f.read())
        d = int.from_bytes(blob[264:268], "little")
        t = int.from_bytes(blob[d + 8:d + 12], "little")
        blob[t + 16:t + 20] = (0x7FFFFFFF).to_bytes(4, "little")
        blob[t + 20:t + 24] = (0).to_bytes(4, "little")
        with open(p, "wb") as f:
            f.write(bytes(blob))

    def track():   # not-a-numbers, huge values, an overlong line; the last line is data
        fx.write("data/__ORVANDEL.dat", "1 0 0\nnan nan nan nan\n1e308 1e308 1e308 1e308\n-5 -5 -5 -5\n"
                 + "7 " * 1500 + "\n156600 18000 1000 1\n156960 18360 2000 1\n")

    def xml():     # overlong texts, an unknown type and an arc over a trillion degrees
        fx.write("DATA/IFR_EXERCISES.xml",
                 "<DATA><EXERC>" + "T" * 3000 + "</EXERC>"
                 "<DATA00><NAVAID><NAVAID_ID>ABCDEFGHIJ</NAVAID_ID><TYPE>VORTAC</TYPE><NAME>" + "N" * 500
                 + "</NAME></NAVAID><NAV><QDM>-1e12</QDM><QDR>1e12</QDR></NAV>"
                 "<FORM><TYPE>ADME</TYPE><USER_DST>1e300</USER_DST></FORM></DATA00>"
                 "<DATA01><NAVAID><NAVAID_ID>ABC</NAVAID_ID><TYPE>VOR</TYPE><NAME>ALPHA</NAME></NAVAID>"
                 "<FORM><TYPE>COOR</TYPE><USER_LAT>N-99999999999*1e300</USER_LAT></FORM></DATA01><DATA02><")
    return {"coast": coast, "rivers": rivers, "airports": airports, "navaids": navaids, "runways": runways,
            "track": track, "xml": xml}


def survives(fx, session, name):
    """Starts the viewer; True when its chart draws, it prints the report and is still running 2 s later."""
    s = session(trace=False, name=name).start()
    try:
        s.wait_chart(timeout=60)
        s.wait_drawn(timeout=60)
        s.wait_frames(20)
        ok = s.alive() and "IFR EXERCICE" in s.stdout()
        why = "" if ok else ("status %s, stderr %r" % (s.proc.poll(), s.stderr()[-300:]))
    except TestFailure as e:
        ok, why = False, str(e)[:300]
    s.stop()
    return ok, why


def case_bad_files(fx, session):
    """Damaged data files of every kind: the viewer still opens, draws, reports and keeps running."""
    writers = bad_files(fx)
    for w in writers.values():
        w()
    fx.font()
    ok, why = survives(fx, session, "all")
    if not ok:
        # name the file that does it: each damaged file alone in a clean folder
        culprits = []
        for name, w in writers.items():
            for p in ("data", "DATA", "SYSTEM"):
                for f in os.listdir(fx.path(p)) if os.path.isdir(fx.path(p)) else []:
                    if not f.endswith(".txf"):
                        os.unlink(fx.path(p, f))
            w()
            one_ok, one_why = survives(fx, session, name)
            if not one_ok:
                culprits.append("%s (%s)" % (name, one_why))
        raise TestFailure("the viewer did not survive the damaged files: %s; alone: %s" % (why, culprits or "none"))


REAL_DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared", "data", "ourairports")


def _seconds(lat_deg, lon_deg):
    lon = lon_deg * 3600.0
    if lon < 0:
        lon += 1296000.0
    return lat_deg * 3600.0, lon


def case_real_data(fx, session):
    """Real navaids and runways: the viewer loads them, finds a real VOR for an exercise,
    and "IFR" shows that VOR's symbol at the window centre."""
    import csv
    nav_csv = os.path.join(REAL_DATA, "navaids.csv")
    rwy_csv = os.path.join(REAL_DATA, "runways.csv")
    if not (os.path.exists(nav_csv) and os.path.exists(rwy_csv)):
        print("SKIP: no real data in %s" % os.path.normpath(REAL_DATA))
        raise SystemExit(77)
    flags = {"VOR": 1, "VOR-DME": 1, "VORTAC": 1, "NDB": 8, "NDB-DME": 8}
    navs, chosen, seen = [], None, set()
    with open(nav_csv, newline="", encoding="utf-8", errors="replace") as f:
        for i, r in enumerate(csv.DictReader(f)):
            try:
                lat, lon = float(r["latitude_deg"]), float(r["longitude_deg"])
            except ValueError:
                continue
            var = float(r["magnetic_variation_deg"] or 0)
            ident = r["ident"].replace(",", " ")[:5]
            name = r["name"].replace(",", " ")[:40]
            la, lo = _seconds(lat, lon)
            fl = flags.get(r["type"], 2)
            navs.append(("NV%08d" % i, ident, name, var, fl, la, lo))
            key = (ident, name)
            if key in seen and chosen and (chosen[1], chosen[2]) == key:
                chosen = None          # not unique: the first match would be another station
            seen.add(key)
            if (chosen is None and fl == 1 and len(ident) == 3 and name.replace(" ", "").isalnum()
                    and len(name) < 30 and 30 < lat < 55 and abs(var) > 1 and sum(1 for n in navs if (n[1], n[2]) == key) == 1):
                chosen = navs[-1]
    check(chosen is not None, "no usable VOR in the real navaid table")
    fx.navaids(navs)
    rwys = []
    with open(rwy_csv, newline="", encoding="utf-8", errors="replace") as f:
        for i, r in enumerate(csv.DictReader(f)):
            try:
                a = _seconds(float(r["le_latitude_deg"]), float(r["le_longitude_deg"]))
                b = _seconds(float(r["he_latitude_deg"]), float(r["he_longitude_deg"]))
            except ValueError:
                continue
            rwys.append(("RW%08d" % i, r["airport_ident"][:10].replace(",", " "), a[0], a[1], b[0], b[1]))
    fx.runways(rwys)
    fx.polylines("data/world_coast.dat", COAST)
    fx.font()
    fx.exercises(exercise_xml(0, chosen[1], "VOR", chosen[2], "LINE", nav={"QDM": 45, "QDR": 100}))
    t0 = time.time()
    s = start_viewer(session, trace=False)
    startup = time.time() - t0
    c = Checks()
    out = s.stdout()
    c("NAVAID POINT" in out and "ERROR" not in out, "real VOR %s %r not resolved: %r" % (chosen[1], chosen[2], out[-400:]))
    s.click(202, 9)                      # "IFR": centre on the VOR, ZM 1225
    img = s.screenshot(save=fx.path("real.ppm"))
    # "IFR" centres on the exercise position truncated to whole chart units, so
    # at magnification 1226 the station sits up to 22 pixels off the window centre
    vx, vy = chart_x_from_seconds(chosen[6]), chart_y_from_seconds(chosen[5])
    cx = int(round(img.w / 2.0 + (vx - int(vx)) * 1226 * img.w / 36000.0))
    cy = int(round(img.h / 2.0 - (vy - int(vy)) * 1226 * img.h / 27000.0))
    cross = img.count(lambda p: p[0] > 235 and p[1] > 235 and 170 < p[2] < 230, (cx - 24, cy - 24, cx + 25, cy + 25))
    hexa = img.count(lambda p: p[0] > 235 and p[1] > 235 and p[2] < 40, (cx - 7, cy - 7, cx + 8, cy + 8))
    c(cross >= 10, "%d cross pixels (1, 1, 0.784) around the window centre for VOR %s; expected its symbol there"
      % (cross, chosen[1]))
    c(hexa >= 4, "%d hexagon pixels (1, 1, 0) at pixel %d,%d for VOR %s" % (hexa, cx, cy, chosen[1]))
    c(s.alive(), "viewer ended with the real tables")
    print("real data: %d navaids, %d runways, window drawn %.1f s after start, VOR %s %r"
          % (len(navs), len(rwys), startup, chosen[1], chosen[2]))
    c.done()


# -- culled drawing ---------------------------------------------------

# Beside the test world: things at the date line and at both poles, some of them
# across the edge of the world, so that the culled drawing meets every awkward box.
EDGE_COAST = [
    [(179.9, 50.1), (-179.9, 50.08)],                  # across the date line: spans the world
    [(179.95, 50.0), (180.0, 50.1)], [(-180.0, 50.1), (-179.95, 50.0)],
    [(-179.0, 89.95), (0.0, 89.99), (179.0, 89.95)],   # round the north pole
    [(-180.0, -89.98), (180.0, -89.98)],               # the south pole's parallel, world-wide
]
EDGE_RIVERS = [[(0.02, -89.9), (0.05, -89.99), (-0.04, -89.995)]]
EDGE_AIRPORTS = [
    ("AP0101", "DE", "DLAE", "DATELINE EAST", 180216, 647892),   # 50.06 N, 179.97 E
    ("AP0102", "DW", "DLAW", "DATELINE WEST", 180180, 648144),   # 50.05 N, 179.96 W
    ("AP0103", "NP", "NPAP", "NORTH POLE", 323928, 36),          # 89.98 N
]
EDGE_NAVAIDS = [
    ("NV0101", "DLE", "DATELINE VOR", 8.0, 1, 180216, 647928),   # 50.06 N, 179.98 E
    ("NV0102", "DLW", "DATELINE NDB", -6.0, 8, 180216, 648072),  # 50.06 N, 179.98 W
    ("NV0103", "NPL", "NORTH POLE VOR", 12.0, 1, 323964, 36),     # 89.99 N, 0.01 E
    ("NV0104", "SPL", "SOUTH POLE NDB", 0.0, 8, -323964, 1295964),  # 89.99 S, 0.01 W
]
# The test track, then over the date line (a segment across the whole world).
EDGE_TRACK = TRACK + [(180200, 647900, 3000, 10.0), (180220, 648100, 3000, 10.0),
                      (180240, 648200, 3000, 10.0)]
EDGE_EXERCISES = (
    exercise_xml(5, "ABC", "VOR", "ALPHA", "ADME", nav={"QDM": 300, "QDR": 30}, USER_DST=12)
    + exercise_xml(6, "DLE", "VOR", "DATELINE VOR", "LINE", nav={"QDR": 90, "QDM": 270})
    + exercise_xml(7, "DLW", "NDB", "DATELINE NDB", "HIPP", nav={"QDM": 80}, TURN="RIGHT", TRI=1,
                   IAS_MAX=200)
    + exercise_xml(8, "NPL", "VOR", "NORTH POLE VOR", "RELY", nav={"QDR": 180, "QDM": 0},
                   USER_DST=5, USER_HEADING=170)
    + exercise_xml(9, "SPL", "NDB", "SOUTH POLE NDB", "HIPP", nav={"QDM": 10}, TURN="LEFT", TRI=1,
                   IAS_MAX=150)
    + exercise_xml(10, "PP", "USR", "NEAR POLE", "COOR", nav={"QDR": 90, "QDM": 270},
                   USER_LAT="N-89*59.0", USER_LON="W-0*30.0")
)

# View centres as click positions at zoom 0 (pixels from the centre of 640 by 480,
# 56.25 chart units each): near the exercises, on the track, both ends of the date
# line, both poles.
FAST_CENTRES = [("exercises", (18, 80)), ("track", (9, 78)), ("date line east", (320, 89)),
                ("date line west", (-320, 89)), ("north pole", (0, 160)), ("south pole", (0, -160))]
FAST_ZOOMS = [180, 300, 700, 2500]   # bands 101..250, 251..350, 351..1000, 1001..2500


def view_snap(s, what):
    shot = s.snap()
    check(shot is not None, "%s: no screenshot of the chart" % what)
    return shot


def fast_views(s, folder_given):
    """Drives one viewer through the views of the comparison; returns [(view, pixels)].
    Each click waits for the frames after it, so each picture is the view's."""
    s.wait_frames(3)
    shots = [("start, zoom 0", view_snap(s, "start"))]
    at, zoom = (0, 0), 0
    for i, (where, centre) in enumerate(FAST_CENTRES):
        if zoom:
            s.click(9, 479)                             # "ZM" to 0 for whole-pixel moves
            zoom = 0
        while at != centre:                             # the click position, 56.25 units a pixel
            dx = max(-280, min(280, centre[0] - at[0]))
            dy = max(-200, min(200, centre[1] - at[1]))
            s.click(320 + dx, 240 - dy)
            at = (at[0] + dx, at[1] + dy)
        zooms = ([60] if i < 2 else []) + FAST_ZOOMS    # band 0..100 at two centres
        for z in zooms:
            if zoom:
                s.click(9, 479)
            s.click(9, zm_y(z))
            zoom = z
            what = "%s, zoom about %d" % (where, z)
            shots.append((what, view_snap(s, what)))
    if not folder_given:
        s.click(149, 9)                                 # " ID ": names off
        what = "%s, zoom about %d, names off" % (FAST_CENTRES[-1][0], zoom)
        shots.append((what, view_snap(s, what)))
    return shots


def diff_summary(a, b, w):
    xs, ys, n = [], [], 0
    for i in range(0, min(len(a), len(b)), 3):
        if a[i:i + 3] != b[i:i + 3]:
            n += 1
            xs.append((i // 3) % w)
            ys.append((i // 3) // w)
    if not n:
        return "sizes %d and %d bytes" % (len(a), len(b))
    return "%d pixels differ within x %d..%d, y %d..%d" % (n, min(xs), max(xs), min(ys), max(ys))


def case_fast_identical(fx, session):
    """viewer --fast draws the picture of the full drawing, pixel for pixel, in every zoom band
    at centres on the exercises and the track, at both ends of the date line and at both
    poles, names on and off. With --reference OLD_VIEWER the full drawing of another build
    is the reference; with --folder DIR a real simulator folder replaces the test world."""
    folder = fx.tools.get("folder")
    if folder:
        src = os.path.abspath(folder)
        for sub in ("SYSTEM", "data"):
            os.rmdir(fx.path(sub))
        for entry in os.listdir(src):
            os.symlink(os.path.join(src, entry), fx.path(entry))
    else:
        fx.polylines("data/world_coast.dat", COAST + EDGE_COAST)
        fx.polylines("data/rivers.dat", RIVERS + EDGE_RIVERS)
        fx.airports(AIRPORTS + EDGE_AIRPORTS)
        fx.runways(RUNWAYS + [("RW0101", "AP0101", 180216, 647892, 180252, 648108)])
        fx.navaids(NAVAIDS + EDGE_NAVAIDS)
        fx.track(EDGE_TRACK)
        fx.font()
        fx.exercises(EXERCISES + EDGE_EXERCISES)
    runs = [("full drawing", fx.tools["viewer"], [])]
    if fx.tools.get("reference"):
        runs.insert(0, ("reference build", fx.tools["reference"], []))
    runs.append(("--fast", fx.tools["viewer"], ["--fast"]))
    results = []
    for name, viewer, args in runs:     # one at a time: two cores, and each redraws continuously
        t0 = time.time()
        s = session(viewer=viewer, args=args, name=name.replace(" ", "_").strip("-"))
        s.start()
        s.wait_chart()
        s.profile_wid = s.find_window(PROFILE_TITLE, 60)
        s.wait_drawn()
        move_profile_away(s)
        check("CAN'T FIND" not in s.stdout(), "%s: an exercise did not resolve: %s" % (name, s.stdout()[-500:]))
        results.append(fast_views(s, folder))
        check(s.alive(), "%s ended during the views" % name)
        s.stop()
        print("%s: %d views in %.0f s" % (name, len(results[-1]), time.time() - t0))
        sys.stdout.flush()
    c = Checks()
    ref_name = runs[0][0]
    for (name, _, _), shots in zip(runs[1:], results[1:]):
        for (what, ref), (_, shot) in zip(results[0], shots):
            if shot == ref:
                continue
            tag = "%s-%s" % ("".join(ch if ch.isalnum() else "_" for ch in what), name.strip("-"))
            for suffix, data in (("", shot), ("-ref", ref)):
                with open(fx.path(tag + suffix + ".rgb"), "wb") as f:
                    f.write(data)
            c(False, "%s: %s differs from %s: %s" % (what, name, ref_name, diff_summary(ref, shot, 640)))
    print("compared %d views of %s" % (len(results[0]), ", ".join(r[0] for r in runs)))
    c.done()


CASES = {
    "bad_files": case_bad_files,
    "real_data": case_real_data,
    "empty_folder": case_empty_folder,
    "lists": case_lists,
    "lists_missing": case_lists_missing,
    "start_view": case_start_view,
    "exercise_geometry": case_exercise_geometry,
    "profile": case_profile,
    "screenshot": case_screenshot,
    "report": case_report,
    "exit": case_exit,
    "no_font": case_no_font,
    "windows_no_track": case_windows_no_track,
    "windows_track": case_windows_track,
    "zoom_bands": case_zoom_bands,
    "recentre": case_recentre,
    "ifr_user": case_ifr_user,
    "ifr_invalid": case_ifr_invalid,
    "load": case_load,
    "follow": case_follow,
    "guide_pictures": case_guide_pictures,
    "fast_identical": case_fast_identical,
}

if __name__ == "__main__":
    sys.exit(main(CASES))
