#!/usr/bin/env python3
"""The layering the build is meant to keep, checked on the sources: each subsystem
folder includes only its own headers and those of the folders below it,

    viewer -> chart -> exercises -> geodata -> xmlconfig, common
    plugin -> common   (the plug-in shares nothing with the viewer but the track file)

and the GL-free cores (common, xmlconfig, geodata, the exercise core) include no
OpenGL, GLUT or PLIB header. A quoted include is resolved the way the compiler
would: next to the file, then in the folders the file's library may see. Prints one
line per breach and exits 1 when there is any."""
import os
import re
import sys

ALLOWED = {
    "common": ["common"],
    "xmlconfig": ["xmlconfig", "common"],
    "geodata": ["geodata", "common"],
    "exercises": ["exercises", "geodata", "xmlconfig", "common"],
    "chart": ["chart", "exercises", "geodata", "xmlconfig", "common"],
    "viewer": ["viewer", "chart", "exercises", "geodata", "xmlconfig", "common"],
    "plugin": ["plugin", "common"],
}
# Files of a GL-free folder that are its GL layer (built into a library of their own).
GL_LAYER = {"exercises/exercise_draw.h", "exercises/exercise_draw.cpp"}
GL_FREE = ["common", "xmlconfig", "geodata", "exercises"]
GL_HEADER = re.compile(r"#\s*include\s*<(GL/|plib/)")
QUOTED = re.compile(r'#\s*include\s*"([^"]+)"')


def main(root):
    folders = list(ALLOWED)
    owner = {}  # header name as included -> folders that hold it
    for f in folders:
        for name in os.listdir(os.path.join(root, f)):
            if name.endswith(".h"):
                owner.setdefault(name, set()).add(f)
                owner.setdefault("%s/%s" % (f, name), set()).add(f)
    breaches = []
    for f in folders:
        for name in sorted(os.listdir(os.path.join(root, f))):
            if not name.endswith((".h", ".cpp", ".c")):
                continue
            rel = "%s/%s" % (f, name)
            with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as src:
                for n, line in enumerate(src, 1):
                    if f in GL_FREE and rel not in GL_LAYER and GL_HEADER.search(line):
                        breaches.append("%s:%d: a GL-free folder includes %s" % (rel, n, line.strip()))
                    m = QUOTED.search(line)
                    if not m:
                        continue
                    inc = m.group(1)
                    where = owner.get(inc)
                    if where is None:
                        breaches.append("%s:%d: %s is no header of a subsystem" % (rel, n, inc))
                    elif not where & set(ALLOWED[f]):
                        breaches.append("%s:%d: %s includes %s from %s, above it or beside it"
                                        % (rel, n, f, inc, "/".join(sorted(where))))
    for b in breaches:
        print(b)
    print("layering: %d breach(es) in %s" % (len(breaches), ", ".join(folders)))
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")))
