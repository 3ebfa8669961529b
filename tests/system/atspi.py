#!/usr/bin/env python3
"""What the accessibility interface shows of the program with this process id, for
desktop_check.sh:

    atspi.py state PID          the stopwatch's state: "ok <status>", or what is wrong
    atspi.py press PID NAME     presses the push button of that name: "pressed"
    atspi.py windows PID        how many top-level windows it has
"""
import re, sys, time
import pyatspi

STATES = {  # status: sensitive Via, Stop, pause button, reading button, Azzera; their names
    "Inattivo": ((1, 0, 0, 0, 1), "Pausa", "Rileva"),
    "Conteggio...": ((0, 1, 1, 1, 0), "Pausa", "Rileva"),
    "In pausa": ((0, 1, 1, 0, 0), "Riprendi", "Rileva"),
    "Rilevamento": ((0, 1, 0, 1, 0), "Pausa", "OK"),
}

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
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

def windows(app):
    return [w for w in app if w is not None]

def state(app):
    tops = windows(app)
    for w in tops:
        for n in walk(w):
            if n.getRoleName() in ("label", "alert") and "Errore" in (n.name or ""):
                return "error box: " + n.name.replace("\n", " ")
    stopwatch = [w for w in tops if w.name == "Vantelsiro"]
    if len(tops) != 1 or len(stopwatch) != 1:
        return "windows: " + ", ".join(repr(w.name) for w in tops)
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
    sensitive = tuple(int(b.getState().contains(pyatspi.STATE_SENSITIVE)) for b in buttons[:5])
    expected, pause, reading = STATES[status]
    if sensitive != expected or buttons[2].name != pause or buttons[3].name != reading:
        return "%s with buttons %s %s %s" % (status, sensitive, buttons[2].name, buttons[3].name)
    return "ok " + status

command, pid = sys.argv[1], int(sys.argv[2])
app = application(pid)
if command == "state":
    # The bridge is updated as events arrive: a state read half-way is read again.
    for attempt in range(10):
        found = state(app)
        if found.startswith("ok"):
            break
        time.sleep(0.3)
    print(found)
elif command == "press":
    for n in walk(windows(app)[0]):
        if n.getRoleName() == "push button" and n.name == sys.argv[3]:
            n.queryAction().doAction(0)
            print("pressed")
            break
elif command == "windows":
    print(len(windows(app)))
