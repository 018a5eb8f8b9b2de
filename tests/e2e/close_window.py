# Asks a window to close as a window manager does: a WM_PROTOCOLS client message carrying
# WM_DELETE_WINDOW, sent straight to it through Xlib. Usage: close_window.py WINDOW_ID
import ctypes
import ctypes.util
import sys


class ClientMessage(ctypes.Structure):  # XClientMessageEvent, its data as five longs
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):  # XEvent: every event fits in 24 longs
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]


xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.POINTER(Event)]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
display = xlib.XOpenDisplay(None) or sys.exit("cannot open the X display")
event = Event()
event.client.type = 33  # ClientMessage
event.client.window = int(sys.argv[1], 0)
event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.client.format = 32
event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
if not xlib.XSendEvent(display, event.client.window, 0, 0, ctypes.byref(event)):
    sys.exit("XSendEvent refused the message")
xlib.XSync(display, 0)
