#!/usr/bin/env python3
"""Writes the CSV tables and text files of a world-size simulator folder for the
soak run: make_world.py DIR. podtool turns the CSVs into the SYSTEM archives.
A fixed seed keeps every run's scene the same."""
import math
import os
import random
import sys

AIRPORTS, RUNWAYS, NAVAIDS = 45000, 60000, 25000
COAST_SEGMENTS, COAST_POINTS = 25000, 20      # 500,000 points
RIVER_SEGMENTS, RIVER_POINTS = 5000, 10
TRACK_POINTS = 3000

rng = random.Random(20261209)


def place():
    """Arc-seconds, longitude eastward 0..1296000."""
    lat = rng.uniform(-60, 75) * 3600
    lon = rng.uniform(-180, 180)
    return lat, (lon + 360 if lon < 0 else lon) * 3600


def polylines(path, segments, points, step):
    with open(path, "w") as f:
        f.write("%d 1 30\n" % segments)
        for s in range(segments):
            lon, lat = rng.uniform(-180, 180), rng.uniform(-60, 75)
            f.write("%d 0 0 0 0 %d\n" % (s + 1, points))
            for _ in range(points):
                f.write("%.4f %.4f\n" % (lon, lat))
                lon += rng.uniform(-step, step)
                lat += rng.uniform(-step, step)


def main(out):
    for sub in ("", "SYSTEM", "data", "DATA", "csv"):
        os.makedirs(os.path.join(out, sub), exist_ok=True)
    with open(os.path.join(out, "csv", "airports.csv"), "w") as f:
        for i in range(AIRPORTS):
            lat, lon = place()
            f.write("A%d,S%03d,AP%04d,AIRPORT %d,%.1f,%.1f\n" % (i, i % 1000, i % 10000, i, lat, lon))
    with open(os.path.join(out, "csv", "runways.csv"), "w") as f:
        for i in range(RUNWAYS):
            lat, lon = place()
            d = rng.uniform(0, math.pi)
            f.write("A%d,%02d,%.1f,%.1f,%.1f,%.1f\n" % (i % AIRPORTS, i % 36 + 1, lat, lon,
                                                        lat + 60 * math.cos(d), (lon + 60 * math.sin(d)) % 1296000))
    with open(os.path.join(out, "csv", "navaids.csv"), "w") as f:
        # The exercises below name the first three.
        f.write("MTG,MTG,MARTIGUES,1.5,1,156800,18200\n")
        f.write("ML,ML,MARSEILLE,1.5,8,156500,18300\n")
        f.write("SFO,SFO,SAN FRANCISCO,-13,1,135600,855000\n")
        for i in range(3, NAVAIDS):
            lat, lon = place()
            flags = 1 if i % 3 == 0 else 8
            f.write("N%d,%s%03d,NAVAID %d,%.1f,%d,%.1f,%.1f\n" % (i, "V" if flags == 1 else "B", i % 1000, i,
                                                                rng.uniform(-20, 20), flags, lat, lon))
    polylines(os.path.join(out, "data", "world_coast.dat"), COAST_SEGMENTS, COAST_POINTS, 0.05)
    polylines(os.path.join(out, "data", "rivers.dat"), RIVER_SEGMENTS, RIVER_POINTS, 0.05)
    with open(os.path.join(out, "data", "__ORVANDEL.dat"), "w") as f:
        f.write("1 0 0\n")
        lat, lon, alt = 156600.0, 18000.0, 500.0
        for i in range(TRACK_POINTS):
            lat += 2 * math.sin(i / 50.0)
            lon += 2
            alt = 500 + 4000 * math.sin(i * math.pi / TRACK_POINTS)
            f.write("%.1f %.1f %.0f 1\n" % (lat, lon, alt))
    with open(os.path.join(out, "DATA", "IFR_EXERCISES.xml"), "w") as f:
        f.write("""<DATA>
  <EXERC>Soak exercises</EXERC>
  <DATA00><NAVAID><NAVAID_ID>MTG</NAVAID_ID><TYPE>VOR</TYPE><NAME>MARTIGUES</NAME></NAVAID>
    <NAV><QDM>270</QDM><QDR>45</QDR></NAV><FORM><TYPE>LINE</TYPE></FORM></DATA00>
  <DATA01><NAVAID><NAVAID_ID>ML</NAVAID_ID><TYPE>NDB</TYPE><NAME>MARSEILLE</NAME></NAVAID>
    <NAV><QDM>90</QDM></NAV><FORM><TYPE>HIPP</TYPE><TURN>LEFT</TURN></FORM></DATA01>
  <DATA02><NAVAID><NAVAID_ID>MTG</NAVAID_ID><TYPE>VOR</TYPE><NAME>MARTIGUES</NAME></NAVAID>
    <NAV><QDM>350</QDM><QDR>20</QDR></NAV><FORM><TYPE>ADME</TYPE><USER_DST>15</USER_DST></FORM></DATA02>
  <DATA06><NAVAID><NAVAID_ID>WPT</NAVAID_ID><TYPE>USR</TYPE><NAME>BAY</NAME></NAVAID>
    <FORM><TYPE>COOR</TYPE><USER_LAT>N-43*20.0</USER_LAT><USER_LON>E-5*10.0</USER_LON></FORM></DATA06>
  <DATA07><NAVAID><NAVAID_ID>SFO</NAVAID_ID><TYPE>VOR</TYPE><NAME>SAN FRANCISCO</NAME></NAVAID>
    <NAV><QDM>10</QDM><QDR>190</QDR></NAV>
    <FORM><TYPE>RELY</TYPE><USER_DST>12.5</USER_DST><USER_HEADING>135</USER_HEADING></FORM></DATA07>
</DATA>
""")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_world.py DIR")
    main(sys.argv[1])
