#!/usr/bin/env python3
"""Types on a headless mutter as a person at its keyboard would, through mutter's remote desktop
interface on the session bus (org.gnome.Mutter.RemoteDesktop): the keys reach mutter's own
virtual keyboard, so its key bindings (Super+H, Alt+Tab, the workspaces) act on them before any
window sees them. A remote desktop session belongs to the bus connection that made it, and mutter
ends it when that connection goes: this runs as long as its standard input is open, reads one
command line at a time and answers each with one line, "done" or "error WHAT".

    key COMBO...      each combination pressed and released, modifiers first ("alt+v",
                      "super+Page_Down", "Return"), $REMOTE_KEYS_DELAY ms (50) between them
    keydown KEY       the key pressed, and held until keyup
    keyup KEY
    sleep SECONDS
    move DX DY        the pointer moved by that much (relative: an absolute position needs a
                      screen cast stream)
    click             the left button pressed and released where the pointer is

Several commands may share a line: "key alt+v sleep 0.3 key Return". Keys are sent as evdev key
codes, the keys of a US keyboard, so the keymap mutter has turns them into symbols as it does a
real keyboard's. At the end, or on a command it cannot run, the session is stopped; keys still
held are released first.
"""
import os, sys, time
from gi.repository import Gio, GLib

NAME = "org.gnome.Mutter.RemoteDesktop"
SESSION = NAME + ".Session"

# evdev codes (linux/input-event-codes.h) of a US keyboard.
CODES = {"Escape": 1, "BackSpace": 14, "Tab": 15, "Return": 28, "space": 57, "ctrl": 29,
         "shift": 42, "alt": 56, "super": 125, "Up": 103, "Page_Up": 104, "Left": 105,
         "Right": 106, "Down": 108, "Page_Down": 109, "Home": 102, "End": 107, "F1": 59}
for row, first in (("1234567890", 2), ("qwertyuiop", 16), ("asdfghjkl", 30), ("zxcvbnm", 44)):
    CODES.update((letter, first + i) for i, letter in enumerate(row))
ALIASES = {"control": "ctrl", "Control_L": "ctrl", "Alt_L": "alt", "Super_L": "super",
           "Shift_L": "shift", "meta": "super", "Enter": "Return", "Esc": "Escape"}
BTN_LEFT = 0x110


def code(name):
    name = ALIASES.get(name, name)
    found = CODES.get(name, CODES.get(name.lower()) if len(name) == 1 else None)
    if found is None:
        raise ValueError("unknown key " + name)
    return found


class Session:
    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.path = self.call("/org/gnome/Mutter/RemoteDesktop", NAME, "CreateSession",
                              reply="(o)")[0]
        self.call(self.path, SESSION, "Start")
        self.held = []

    def call(self, path, interface, method, args=None, reply=None):
        answer = self.bus.call_sync(NAME, path, interface, method, args,
                                    GLib.VariantType(reply) if reply else None,
                                    Gio.DBusCallFlags.NONE, 5000, None)
        return answer.unpack() if answer is not None else None

    def key(self, keycode, pressed):
        self.call(self.path, SESSION, "NotifyKeyboardKeycode", GLib.Variant("(ub)", (keycode, pressed)))
        if pressed:
            self.held.append(keycode)
        elif keycode in self.held:
            self.held.remove(keycode)

    def combo(self, text):
        keys = [code(k) for k in text.split("+")]
        for k in keys:
            self.key(k, True)
            time.sleep(0.01)
        for k in reversed(keys):
            self.key(k, False)
            time.sleep(0.01)

    def stop(self):
        for k in list(reversed(self.held)):
            self.key(k, False)
        self.call(self.path, SESSION, "Stop")


def run(session, words):
    delay = int(os.environ.get("REMOTE_KEYS_DELAY", "50")) / 1000
    i = 0
    while i < len(words):
        word = words[i]
        i += 1
        if word == "key":
            while i < len(words) and words[i] not in COMMANDS:
                session.combo(words[i])
                i += 1
                time.sleep(delay)
        elif word in ("keydown", "keyup"):
            session.key(code(words[i]), word == "keydown")
            i += 1
        elif word == "sleep":
            time.sleep(float(words[i]))
            i += 1
        elif word == "move":
            session.call(session.path, SESSION, "NotifyPointerMotionRelative",
                         GLib.Variant("(dd)", (float(words[i]), float(words[i + 1]))))
            i += 2
        elif word == "click":
            for pressed in (True, False):
                session.call(session.path, SESSION, "NotifyPointerButton",
                             GLib.Variant("(ib)", (BTN_LEFT, pressed)))
                time.sleep(0.05)
        else:
            raise ValueError("unknown command " + word)


COMMANDS = {"key", "keydown", "keyup", "sleep", "move", "click"}

try:
    session = Session()
except GLib.Error as e:
    print("error", e.message, flush=True)
    sys.exit(1)
print("ready", session.path, flush=True)
status = 0
for line in sys.stdin:
    try:
        run(session, line.split())
        print("done", flush=True)
    except (ValueError, IndexError, GLib.Error) as e:
        print("error", getattr(e, "message", None) or e, flush=True)
try:
    session.stop()
except GLib.Error:
    status = 1
sys.exit(status)
