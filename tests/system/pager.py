#!/usr/bin/env python3
"""What a pager or a desktop's session asks of the X server, for ordinary_day.sh (xset and wmctrl
are not installed here):

    pager.py state WINDOW add|remove NAME   a _NET_WM_STATE client message to the root window, as a
                                            pager sends it (NAME: STICKY, SHADED, ABOVE...)
    pager.py saver activate|reset           the screen saver on or off, as `xset s activate|reset`
    pager.py dpms off|on                    the monitor off or on, as `xset dpms force off|on`;
                                            fails with status 2 where the server has no DPMS
"""
import ctypes
import ctypes.util
import sys


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def main(argv):
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(ClientMessage)]
    x11.XForceScreenSaver.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XQueryExtension.argtypes = [ctypes.c_void_p, ctypes.c_char_p] + [ctypes.c_void_p] * 3
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the X display")
    if argv[:1] == ["state"] and len(argv) == 4:
        event = ClientMessage(type=33, window=int(argv[1], 0), format=32,
                              message_type=x11.XInternAtom(display, b"_NET_WM_STATE", 0))
        event.data[0] = {"remove": 0, "add": 1}[argv[2]]
        event.data[1] = x11.XInternAtom(display, b"_NET_WM_STATE_" + argv[3].encode(), 0)
        event.data[3] = 2  # the source: a pager, not the application
        # SubstructureRedirect | SubstructureNotify: the window manager's ears.
        sent = x11.XSendEvent(display, x11.XDefaultRootWindow(display), 0, (1 << 20) | (1 << 19),
                              ctypes.byref(event))
    elif argv[:1] == ["saver"] and argv[1:] in (["activate"], ["reset"]):
        sent = x11.XForceScreenSaver(display, int(argv[1] == "activate"))
    elif argv[:1] == ["dpms"] and argv[1:] in (["off"], ["on"]):
        found = [ctypes.c_int() for _ in range(3)]
        if not x11.XQueryExtension(display, b"DPMS", *[ctypes.byref(f) for f in found]):
            return 2
        xext = ctypes.CDLL(ctypes.util.find_library("Xext") or "libXext.so.6")
        xext.DPMSEnable.argtypes = [ctypes.c_void_p]
        xext.DPMSForceLevel.argtypes = [ctypes.c_void_p, ctypes.c_ushort]
        sent = xext.DPMSEnable(display) and xext.DPMSForceLevel(display, 3 if argv[1] == "off" else 0)
    else:
        sys.exit(__doc__)
    x11.XSync(display, 0)
    return 0 if sent else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
