#!/usr/bin/env python3
"""What the accessibility interface shows of the program with this process id, for
desktop_check.sh:

    atspi.py state PID [any]    the stopwatch's state: "ok <state>" (idle, counting, paused,
                                reading: tests/support/design.json), or what is wrong; with
                                "any", other windows (a modal one) may be open beside it
    atspi.py press PID NAME [WINDOW]  presses the push button of that name (in the window of
                                that title): "pressed"
    atspi.py buttons PID WINDOW the window's push buttons as NAME:SENSITIVE:FOCUSED, 1 or 0
    atspi.py tabs PID WINDOW N  types Tab N times and prints the focused button after each
    atspi.py windows PID        how many top-level windows it has
    atspi.py names PID          its top-level windows as ROLE:NAME, one after another
    atspi.py focuses PID SECONDS  listens that long and prints how many times the focus moved to
                                a push button, after a first line "listening"
    atspi.py time PID           the text of the stopwatch's display ("00:01:05")
    atspi.py renames PID SECONDS  listens that long and prints each new name a push button takes,
                                as "EPOCH_MS NAME", one a line, after a first line "listening"
    atspi.py grab PID NAME      asks for the focus on the stopwatch's push button of that name
    atspi.py hold PID NAME FILE holds the stopwatch's push button of that name, and once FILE
                                exists reads the same object again: "NAME:SENSITIVE:FOCUSED"
"""
import json, os, re, subprocess, sys, time
import pyatspi
from gi.repository import GLib

# The stopwatch's designed states, from the table the QtTest suites read too. The accessible tree
# holds the buttons in the order the window makes them, Command1 to Command6; an accessible name is
# the caption without its access-key marker.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "design.json"),
          encoding="utf-8") as table:
    DESIGN = json.load(table)["Form1"]
CAPTIONS = dict(DESIGN["tabOrder"])
BUTTONS = sorted(CAPTIONS)
STATES = {s["status"]: (name, tuple(int(b in s["enabled"]) for b in BUTTONS),
                        tuple({**CAPTIONS, **s.get("captions", {})}[b].replace("&", "")
                              for b in BUTTONS))
          for name, s in DESIGN["states"].items()}

def application(pid, wait=10.0):
    end = time.time() + wait
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        time.sleep(0.2)
    sys.exit("no accessible application for process %d" % pid)

def walk(node):
    """The controls under node; a notification of what an action changed is not one."""
    yield node
    for child in node:
        if child is not None and child.getRoleName() != "notification":
            yield from walk(child)

def windows(app):
    return [w for w in app if w is not None]

def buttons(app, title):
    tops = [w for w in windows(app) if w.name == title]
    return [n for w in tops for n in walk(w) if n.getRoleName() == "push button"]

def has(node, state):
    return int(node.getState().contains(state))

def state(app, alone=True):
    tops = windows(app)
    for w in tops:
        for n in walk(w):
            if n.getRoleName() in ("label", "alert") and "Errore" in (n.name or ""):
                return "error box: " + n.name.replace("\n", " ")
    stopwatch = [w for w in tops if w.name == "Vantelsiro"]
    if len(stopwatch) != 1 or (alone and len(tops) != 1):
        return "windows: " + ", ".join("%r (%s, %d children)" % (w.name, w.getRoleName(),
                                                                 w.childCount) for w in tops)
    nodes = list(walk(stopwatch[0]))
    buttons = [n for n in nodes if n.getRoleName() == "push button"]
    labels = [n.name for n in nodes if n.getRoleName() == "label"]
    if len(buttons) != 6 or len(labels) != 2:
        return "unexpected controls"
    display, status = labels
    if not re.fullmatch(r"\d{2,}:\d{2}:\d{2}", display):
        return "display " + display
    if status not in STATES:
        return "status " + status
    sensitive = tuple(int(b.getState().contains(pyatspi.STATE_SENSITIVE)) for b in buttons)
    # The information button is named by its tooltip, not by a caption.
    names = tuple(b.name for b in buttons[:-1])
    name, expected, captions = STATES[status]
    if sensitive != expected or names != captions[:-1]:
        return "%s with buttons %s %s" % (status, sensitive, " ".join(names))
    return "ok " + name

command, pid = sys.argv[1], int(sys.argv[2])
app = application(pid)
if command == "state":
    # The bridge is updated as events arrive: a state read half-way is read again.
    for attempt in range(10):
        found = state(app, sys.argv[3:] != ["any"])
        if found.startswith("ok"):
            break
        time.sleep(0.3)
    print(found)
elif command == "press":
    title = sys.argv[4] if len(sys.argv) > 4 else windows(app)[0].name
    for n in buttons(app, title):
        if n.name == sys.argv[3]:
            # A window behind a modal one offers no action: the press is refused, and says so.
            action = n.queryAction()
            print("pressed" if action.nActions > 0 and action.doAction(0) else "refused")
            break
elif command == "buttons":
    print(" ".join("%s:%d:%d" % (b.name, has(b, pyatspi.STATE_SENSITIVE),
                                 has(b, pyatspi.STATE_FOCUSED)) for b in buttons(app, sys.argv[3])))
elif command == "tabs":
    focus = []
    for _ in range(int(sys.argv[4])):
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        time.sleep(0.3)  # the bridge hears of the focus move through an event
        focus += [b.name for b in buttons(app, sys.argv[3]) if has(b, pyatspi.STATE_FOCUSED)]
    print(" ".join(focus))
elif command == "windows":
    print(len(windows(app)))
elif command == "names":
    print(" ".join("%s:%s" % (w.getRoleName(), w.name) for w in windows(app)))
elif command == "focuses":
    moves = []
    def focused(event):
        try:
            if (event.detail1 == 1 and event.source.getRoleName() == "push button"
                    and event.source.get_application().get_process_id() == pid):
                moves.append(event.source.name)
        except Exception:
            pass
    pyatspi.Registry.registerEventListener(focused, "object:state-changed:focused")
    GLib.timeout_add(int(float(sys.argv[3]) * 1000), pyatspi.Registry.stop)
    print("listening", flush=True)
    pyatspi.Registry.start()
    print(len(moves))
elif command == "renames":
    def heard(event):
        try:
            if (event.source.getRoleName() == "push button"
                    and event.source.get_application().get_process_id() == pid):
                print(int(time.time() * 1000), event.source.name, flush=True)
        except Exception:
            pass
    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    GLib.timeout_add(int(float(sys.argv[3]) * 1000), pyatspi.Registry.stop)
    print("listening", flush=True)
    pyatspi.Registry.start()
elif command == "time":
    stopwatch = [w for w in windows(app) if w.name == "Vantelsiro"][0]
    print([n.name for n in walk(stopwatch) if n.getRoleName() == "label"][0])
elif command == "grab":
    for n in buttons(app, "Vantelsiro"):
        if n.name == sys.argv[3]:
            print("asked" if n.queryComponent().grabFocus() else "refused")
elif command == "hold":
    held = [b for b in buttons(app, "Vantelsiro") if b.name == sys.argv[3]][0]
    print("holding", held.name, flush=True)
    while not os.path.exists(sys.argv[4]):
        time.sleep(0.1)
    print("%s:%d:%d" % (held.name, has(held, pyatspi.STATE_SENSITIVE),
                        has(held, pyatspi.STATE_FOCUSED)))
