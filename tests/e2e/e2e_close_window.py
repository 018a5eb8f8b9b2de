# Asks a window to close the way a window manager does: a WM_PROTOCOLS client message carrying
# WM_DELETE_WINDOW, sent straight to the window through Xlib (no window manager runs under Xvfb).
# Usage: e2e_close_window.py WINDOW_ID   (DISPLAY names the X server)
import ctypes
import ctypes.util
import sys


class ClientMessageEvent(ctypes.Structure):
    # XClientMessageEvent with its 32-bit data as five longs.
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


class Event(ctypes.Union):
    # XEvent: every event fits in 24 longs.
    _fields_ = [("client", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33  # the X protocol's ClientMessage event type
NO_EVENT_MASK = 0
CURRENT_TIME = 0


def main(argv):
    if len(argv) != 2:
        raise SystemExit("usage: e2e_close_window.py WINDOW_ID")
    window = int(argv[1], 0)
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(Event)]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(None)
    if not display:
        raise SystemExit("cannot open the X display")
    event = Event()
    event.client.type = CLIENT_MESSAGE
    event.client.window = window
    event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = CURRENT_TIME
    if xlib.XSendEvent(display, window, 0, NO_EVENT_MASK, ctypes.byref(event)) == 0:
        raise SystemExit("XSendEvent refused the message")
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)


if __name__ == "__main__":
    main(sys.argv)
