#!/usr/bin/env python3
"""Checks what a desktop sees of an installed Vantelsiro: the program, its desktop entry,
its AppStream metainfo and its icons in the hicolor theme.

    check_install.py --build BUILD_DIR --source SOURCE_DIR --version 1.0.0
        installs the build with `cmake --install BUILD_DIR --prefix <scratch dir>` and
        checks what landed there;
    check_install.py --prefix DIR --source SOURCE_DIR --version 1.0.0
        checks a tree already in place (DIR/bin, DIR/share), such as an unpacked package.

The desktop entry and the metainfo go through desktop-file-validate and
`appstreamcli validate --no-net`; then the checks a user would make by looking: the entry's
Exec and Icon name things that were installed, the metainfo speaks of that entry, and the
icons are the stopwatch at the sizes their folders say.
"""

import argparse
import glob
import math
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
sys.path.insert(0, os.path.join(here, "..", "lib"))
from pictures import decode_ico, decode_png  # noqa: E402
from tap import check, finish  # noqa: E402

ICON_SIZES = (16, 32, 128, 256)
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True)
    return result.returncode, result.stdout.strip()


def desktop_entry(path):
    """The [Desktop Entry] group as a dict; keys keep their case and locale suffix."""
    entry, group = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("["):
                group = line
                continue
            if group == "[Desktop Entry]" and "=" in line:
                key, value = line.split("=", 1)
                entry[key.strip()] = value.strip()
    return entry


# ---------------------------------------------------------------------------
# The stopwatch as the large icons must show it, in the 32-unit square the generator
# draws in: the dial's centre, and where the marks, hands, case and buttons fall.

CX, CY = 16.0, 18.2


def at_clock(hour, r):
    a = math.radians(hour * 30.0)
    return CX + math.sin(a) * r, CY - math.cos(a) * r


def pixel(rows, size, point):
    """The pixel under a point of the design square."""
    x, y = point
    return rows[min(size - 1, int(y * size / 32.0))][min(size - 1, int(x * size / 32.0))]


def is_red(p):
    r, g, b, a = p
    return a > 200 and r > 150 and g < 110 and b < 110


def is_white(p):
    r, g, b, a = p
    return a > 250 and min(r, g, b) > 200


def is_dark(p):
    r, g, b, a = p
    return a > 200 and max(r, g, b) < 90


def is_metal(p):
    """Opaque, a grey (no tint), neither black nor white."""
    r, g, b, a = p
    return a > 250 and max(r, g, b) - min(r, g, b) < 30 and 100 < (r + g + b) / 3 < 250


def check_stopwatch_drawing(rows, size):
    label = "%dx%d icon" % (size, size)
    corners = [rows[0][0], rows[0][size - 1], rows[size - 1][0], rows[size - 1][size - 1]]
    check("%s: its corners are see-through" % label, all(p[3] == 0 for p in corners),
          corners)
    marks = [h for h in range(12) if is_red(pixel(rows, size, at_clock(h, 8.3)))]
    check("%s: twelve red hour marks round the dial" % label, marks == list(range(12)),
          "red at hours %s" % marks)
    between = [h + 0.5 for h in range(12) if is_white(pixel(rows, size, at_clock(h + 0.5, 8.3)))]
    check("%s: white dial between the marks" % label, len(between) == 12,
          "white at %s" % between)
    check("%s: a black hand at twelve" % label,
          all(is_dark(pixel(rows, size, at_clock(12, r))) for r in (2.5, 4.5, 6.5)))
    check("%s: a black hand towards ten" % label,
          all(is_dark(pixel(rows, size, at_clock(10, r))) for r in (2.0, 3.5, 5.0)))
    check("%s: the red seconds hand towards seven" % label,
          all(is_red(pixel(rows, size, at_clock(7, r))) for r in (3.0, 5.0, 7.0)))
    free = [h for h in (2, 3, 4, 5, 6, 8, 9) if not is_white(pixel(rows, size, at_clock(h, 4.5)))]
    check("%s: no hand elsewhere on the dial" % label, not free, "not white at hours %s" % free)
    case = [h for h in range(2, 11) if not is_metal(pixel(rows, size, at_clock(h, 11.4)))]
    check("%s: a grey rim round the dial" % label, not case, "not grey at hours %s" % case)
    check("%s: the crown on top" % label,
          is_metal(pixel(rows, size, (CX, 2.35))) and is_metal(pixel(rows, size, (CX, 5.0))))
    check("%s: push-buttons at eleven and one" % label,
          all(is_metal(pixel(rows, size, at_clock(h, 15.2))) for h in (11, 1)))
    outside = [h for h in (2, 3, 4, 8, 9, 10) if pixel(rows, size, at_clock(h, 14.6))[3] > 128]
    check("%s: round: nothing but a faint shadow beside the case" % label, not outside,
          "opaque at hours %s" % outside)
    edges = set()
    for row in rows:
        for p in row:
            if 0 < p[3] < 255:
                edges.add(p[3])
    check("%s: smooth edges (many levels of transparency)" % label, len(edges) > 32,
          "%d levels" % len(edges))


def check_icons(prefix, source):
    ico_path = os.path.join(source, "src", "resources", "stopwatch.ico")
    with open(ico_path, "rb") as f:
        ico = decode_ico(f.read())
    for size in ICON_SIZES:
        path = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                            "velti.png")
        if not check("share/icons/hicolor/%dx%d/apps/velti.png is installed" % (size, size),
                     os.path.isfile(path)):
            continue
        try:
            with open(path, "rb") as f:
                width, height, rows = decode_png(f.read())
        except (ValueError, OSError) as error:
            check("the %dx%d icon is a PNG" % (size, size), False, error)
            continue
        if not check("the %dx%d icon is %d by %d pixels" % (size, size, size, size),
                     (width, height) == (size, size), "%dx%d" % (width, height)):
            continue
        if (size, 4) in ico:
            # The small ones are the very pixels of the .ico the program's window carries.
            expected = ico[(size, 4)]
            wrong = sum(1 for y in range(size) for x in range(size)
                        if (rows[y][x] if rows[y][x][3] else (0, 0, 0, 0)) != expected[y][x])
            check("the %dx%d icon is stopwatch.ico's %dx%d image, pixel for pixel"
                  % (size, size, size, size), wrong == 0, "%d pixels differ" % wrong)
        else:
            check_stopwatch_drawing(rows, size)
    others = sorted(os.path.relpath(p, prefix) for p in glob.glob(
        os.path.join(prefix, "share", "icons", "**", "*"), recursive=True)
        if os.path.isfile(p) and os.path.basename(os.path.dirname(os.path.dirname(p)))
        not in ["%dx%d" % (s, s) for s in ICON_SIZES])
    check("no icon in a folder of the wrong size", not others, others)


def check_tree(prefix, source, version):
    program = os.path.join(prefix, "bin", "velti")
    check("bin/velti is installed and executable", os.access(program, os.X_OK))

    desktops = glob.glob(os.path.join(prefix, "share", "applications", "*.desktop"))
    metainfos = glob.glob(os.path.join(prefix, "share", "metainfo", "*.metainfo.xml"))
    check("one desktop entry in share/applications", len(desktops) == 1, desktops)
    check("one metainfo file in share/metainfo", len(metainfos) == 1, metainfos)
    if len(desktops) != 1 or len(metainfos) != 1:
        return
    desktop, metainfo = desktops[0], metainfos[0]
    desktop_id = os.path.basename(desktop)

    status, output = run(["desktop-file-validate", desktop])
    # Hints are suggestions; errors fail the run and warnings are taken as seriously.
    complaints = [line for line in output.splitlines() if "error:" in line or "warning:" in line]
    check("desktop-file-validate accepts %s" % desktop_id, status == 0 and not complaints,
          output)
    status, output = run(["appstreamcli", "validate", "--no-net", metainfo])
    check("appstreamcli validate --no-net accepts %s" % os.path.basename(metainfo), status == 0,
          output)

    entry = desktop_entry(desktop)
    for key, value in (("Type", "Application"), ("Name", "Vantelsiro"), ("Exec", "velti"),
                       ("Icon", "velti")):
        check("the entry's %s is %s" % (key, value), entry.get(key) == value, entry.get(key))
    categories = entry.get("Categories", "").split(";")
    check("the entry is in the Utility and Clock categories",
          "Utility" in categories and "Clock" in categories, entry.get("Categories"))
    check("the entry has an Italian comment", "cronometro" in entry.get("Comment", "").lower(),
          entry.get("Comment"))
    exec_program = entry.get("Exec", "").split()[0] if entry.get("Exec") else ""
    check("Exec names a program installed in bin/",
          exec_program and os.access(os.path.join(prefix, "bin", exec_program), os.X_OK),
          exec_program)
    icon = entry.get("Icon", "")
    found = sorted(glob.glob(os.path.join(prefix, "share", "icons", "hicolor", "*", "apps",
                                          icon + ".png")))
    check("Icon names icons installed in the hicolor theme", len(found) == len(ICON_SIZES),
          "%d found" % len(found))

    try:
        root = ET.parse(metainfo).getroot()
    except ET.ParseError as error:
        check("the metainfo is well-formed XML", False, error)
        return
    component_id = root.findtext("id", "")
    check("the metainfo's id is the desktop entry's name",
          component_id + ".desktop" == desktop_id, "%s vs %s" % (component_id, desktop_id))
    check("the metainfo's file is named after its id",
          os.path.basename(metainfo) == component_id + ".metainfo.xml")
    launchable = root.find("launchable")
    check("it launches that desktop entry",
          launchable is not None and launchable.get("type") == "desktop-id"
          and launchable.text == desktop_id, launchable.text if launchable is not None else None)
    check("its name is Vantelsiro", root.findtext("name") == "Vantelsiro", root.findtext("name"))
    summaries = {s.get(XML_LANG): s.text for s in root.findall("summary")}
    check("a summary in English and one in Italian",
          summaries.get(None) and summaries.get("it"), summaries)
    check("a description", root.find("description") is not None
          and len(root.find("description").findall("p")) >= 1)
    check("metadata and project licences are given",
          root.findtext("metadata_license") and root.findtext("project_license"))
    releases = [(r.get("version"), r.get("date")) for r in root.iter("release")]
    check("its latest release is %s, dated 2026-12-07" % version,
          releases[:1] == [(version, "2026-12-07")], releases)
    rating = root.find("content_rating")
    check("an OARS 1.1 content rating",
          rating is not None and rating.get("type") == "oars-1.1")

    check_icons(prefix, source)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--build")
    where.add_argument("--prefix")
    parser.add_argument("--source", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--cmake", default="cmake")
    args = parser.parse_args(argv)

    scratch = None
    try:
        if args.build:
            scratch = tempfile.mkdtemp(prefix="velti-install.")
            status, output = run([args.cmake, "--install", args.build, "--prefix", scratch])
            if not check("cmake --install into a scratch prefix", status == 0, output):
                return 1
            prefix = scratch
        else:
            prefix = args.prefix
        check_tree(prefix, args.source, args.version)
    finally:
        if scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    return finish()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
