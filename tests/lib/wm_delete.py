#!/usr/bin/env python3
"""Asks an X11 window to close the way a window manager does: a WM_PROTOCOLS client message
carrying WM_DELETE_WINDOW, sent to the window's owner. Under a bare Xvfb there is no window
manager to do it, and xdotool only destroys windows or kills their clients. With --forged-destroy
it sends instead a DestroyNotify for the window, which still exists: an event no X server made.

    wm_delete.py [--forged-destroy] WINDOW_ID      (decimal or 0x hex; the display from $DISPLAY)
"""

import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33


class ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class DestroyWindow(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("event", ctypes.c_ulong),
        ("window", ctypes.c_ulong),
    ]


DESTROY_NOTIFY = 17
STRUCTURE_NOTIFY_MASK = 1 << 17


class XEvent(ctypes.Union):
    # XSendEvent copies a whole XEvent, 24 longs, whatever the kind of event.
    _fields_ = [("client", ClientMessage), ("destroy", DestroyWindow), ("pad", ctypes.c_long * 24)]


def main(argv):
    forged = argv[:1] == ["--forged-destroy"]
    argv = argv[1:] if forged else argv
    if len(argv) != 1:
        sys.exit(__doc__)
    window = int(argv[0], 0)
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the X display")
    event = XEvent()
    if forged:
        event.destroy.type = DESTROY_NOTIFY
        event.destroy.event = event.destroy.window = window
        sent = x11.XSendEvent(display, window, 0, STRUCTURE_NOTIFY_MASK, ctypes.byref(event))
        x11.XSync(display, 0)
        x11.XCloseDisplay(display)
        return 0 if sent else 1
    event.client.type = CLIENT_MESSAGE
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    # No event mask: the X server hands the event to the client that made the window.
    sent = x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    return 0 if sent else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
