# The X display as a person uses it: screenshots read as pixels, windows found
# by title, mouse and keys through xdotool. Positions come from the pixels
# (caption, margin strip, ink), so the checks hold whatever the fonts measure.

import ctypes
import os
import re
import subprocess
import threading
import time

# How many times longer than usual to wait: more on a slower (emulated) machine.
PATIENCE = float(os.environ.get("E2E_PATIENCE", "1"))
# The longest any one command may take: none of them should take a second.
COMMAND_LIMIT = 30 * PATIENCE


# A check that did not hold; the driver saves the screen when it sees one.
class Failure(Exception):
    pass


# A command's output (bytes unless text), a Failure naming it if it fails or overruns;
# with quiet it is not read, so a process left holding it open (Wine's services) is no wait.
def run(*command, text=True, check=True, quiet=False, limit=COMMAND_LIMIT):
    output = subprocess.DEVNULL if quiet else subprocess.PIPE
    try:
        return subprocess.run(command, check=check, text=text, stdout=output, stderr=output,
                              timeout=limit).stdout
    except subprocess.TimeoutExpired:
        raise Failure("%s did not finish within %d s" % (" ".join(command), limit))
    except subprocess.CalledProcessError as error:
        raise Failure("%s failed with status %d %s" % (
            " ".join(command), error.returncode, (error.stderr or "")[:200]))


# Polls `probe` until it answers something true (a Failure counts as not yet);
# fails after `timeout` seconds saying `what` (or what calling `what` says).
def wait_for(what, probe, timeout=20):
    deadline = time.monotonic() + timeout * PATIENCE
    while time.monotonic() < deadline:
        try:
            if value := probe():
                return value
        except (Failure, StopIteration):
            pass
        time.sleep(0.05)
    raise Failure(what() if callable(what) else "timed out waiting for " + what)


def click(x, y, times=1):
    run("xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(times), "1")


# Presses the left button at `start`, moves to `end` in four steps, releases.
def drag(start, end):
    points = [[str(a + (b - a) * step // 4) for a, b in zip(start, end)] for step in range(5)]
    moves = [word for point in points[1:] for word in ("mousemove", *point)]
    run("xdotool", "mousemove", *points[0], "mousedown", "1", *moves, "mouseup", "1")


def keys(*names):
    run("xdotool", "key", "--delay", "30", *names)


def window_titled(title):
    return (run("xdotool", "search", "--name", "^%s$" % re.escape(title), check=False).split()
            or [None])[0]


# Saves the screen as a PNG, cut to `box` (x, y, width, height) if given.
def save_screen(path, box=None):
    crop = ["-crop", "%dx%d+%d+%d" % tuple(box[2:] + box[:2]), "+repage"] if box else []
    run("import", "-window", "root", *crop, path)


# (start, end, value) of each run of equal values, end exclusive.
def runs(values):
    starts = [i for i in range(len(values)) if i == 0 or values[i] != values[i - 1]]
    return [(a, b, values[a]) for a, b in zip(starts, starts[1:] + [len(values)])]


# (start, end) of the runs of true flags, runs at most `gap` apart merged.
def ink_spans(flags, gap=0):
    marks = "".join("x" if flag else "." for flag in flags)
    return [m.span() for m in re.finditer(r"x(?:\.{0,%d}x)*" % gap, marks)]


# A top-level window as a screenshot shows it: caption, client area and, if
# it has one, the editor's line-number margin strip and text area.
class View:
    def __init__(self, window):
        # Never xwininfo without a window: it would wait for a click on one.
        if not window:
            raise Failure("no such window")
        text = run("xwininfo", "-id", window)
        self.box = x, y, width, height = [int(re.search(key + r":\s+(-?\d+)", text)[1]) for key in (
            "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        shot = run("import", "-window", "root", "-depth", "8", "ppm:-", text=False)
        _, size, _, self.pixels = shot.split(b"\n", 3)
        self.width = int(size.split()[0])
        # The caption is the first tall band of one colour from the top; the
        # frame is about as wide on every side as it is above the caption.
        middle = x + width // 2
        column = [row[0] for row in self.rows(y, y + min(60, height), middle, middle + 1)]
        border, end, _ = next(r for r in runs(column) if r[1] - r[0] >= 10)
        self.top = y + end
        self.left, self.right, self.bottom = x + border, x + width - border, y + height - border
        # The editor's margin strip: the longest stretch of one colour, not
        # white, down a column at the client area's left, if a third as tall.
        column = [row[0] for row in self.rows(self.top, y + height, self.left + 2, self.left + 3)]
        start, end, self.margin_colour = max((r for r in runs(column) if r[2] != (255,) * 3),
                                             key=lambda r: r[1] - r[0], default=(0, 0, None))
        if end - start < height // 3:  # no editor: a menu bar at most 60 pixels tall
            start = end = 60
        self.editor_top, self.editor_bottom = self.top + start, self.top + end
        row = self.rows(self.editor_top, self.editor_top + 1, self.left + 2, self.right)[0]
        self.margin_right = self.left + 2 + runs(row)[0][1]

    def rows(self, top, bottom, left, right):
        data = [self.pixels[(y * self.width + left) * 3:(y * self.width + right) * 3]
                for y in range(top, bottom)]
        return [[tuple(row[k:k + 3]) for k in range(0, len(row), 3)] for row in data]

    # Centres of the menu bar's items, from the ink between caption and editor.
    def menu_items(self):
        rows = self.rows(self.top, self.editor_top, self.left, self.right)
        marks = [[max(p) < 128 for p in row] for row in rows]
        inked = [y for y, row in enumerate(marks, self.top) if any(row)] or [0]
        y = (inked[0] + inked[-1]) // 2
        # Words of one item are a space apart; items are further apart.
        spans = ink_spans([any(column) for column in zip(*marks)], gap=6)
        return [(self.left + (start + end) // 2, y) for start, end in spans]

    # Each line number's pixels in the margin, with its first and past-last rows.
    def number_images(self):
        top = self.editor_top
        rows = self.rows(top, self.editor_bottom, self.left, self.margin_right)
        spans = ink_spans([any(p != self.margin_colour for p in row) for row in rows])
        return [(tuple(map(tuple, rows[a:b])), (top + a, top + b)) for a, b in spans]

    # The middle of a box's lowest button: the lowest rows with a long run of
    # pixels not of the box's face colour and narrower than the box.
    def button(self):
        rows = self.rows(self.top, self.bottom, self.left, self.right)
        face = max(set(rows[-1]), key=rows[-1].count)
        framed = [(y, spans[0]) for y, row in enumerate(rows, self.top) for spans in [
            [s for s in ink_spans([p != face for p in row])
             if 20 <= s[1] - s[0] < len(row) * 0.9]] if spans]
        if not framed:
            raise Failure("no button in the box")
        bottom, (left, right) = framed[-1]
        top = min(y for y, _ in framed if y > bottom - 40)
        return self.left + (left + right) // 2, (top + bottom) // 2

    def colour_count(self, colour):
        rows = self.rows(self.editor_top, self.editor_bottom, self.margin_right, self.right)
        return sum(row.count(colour) for row in rows)


def xlib():
    x = ctypes.CDLL("libX11.so.6")
    P, L, I, U, C = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint, ctypes.c_char_p
    for name, result, *arguments in (
            ("XOpenDisplay", P, C), ("XCloseDisplay", I, P), ("XDefaultRootWindow", L, P),
            ("XCreateSimpleWindow", L, P, L, I, I, U, U, U, L, L), ("XPending", I, P),
            ("XInternAtom", L, P, C, I), ("XSetSelectionOwner", I, P, L, L, L),
            ("XChangeProperty", I, P, L, L, L, I, I, P, I), ("XFlush", I, P),
            ("XSendEvent", I, P, L, I, ctypes.c_long, P), ("XNextEvent", I, P, P)):
        getattr(x, name).restype, getattr(x, name).argtypes = result, arguments
    return x


# Xlib's selection events, as far as an owner of the clipboard needs them.
def _event(*windows):
    return [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
            ("display", ctypes.c_void_p)] + [(name, ctypes.c_ulong) for name in windows]


class _SelectionRequest(ctypes.Structure):
    _fields_ = _event("owner", "requestor", "selection", "target", "property", "time")


class _Selection(ctypes.Structure):
    _fields_ = _event("requestor", "selection", "target", "property", "time")


class _Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("request", _SelectionRequest), ("reply", _Selection),
                ("pad", ctypes.c_long * 24)]


# A text offered on the X clipboard from a thread of its own, until another
# takes it or it is ended, noting the targets asked for (xclip does not count
# TARGETS requests, the only ones Wine makes when the clipboard changes).
class ClipboardOffer:
    def __init__(self, text):
        x, self.text = xlib(), text.encode()
        self.x, self.display = x, x.XOpenDisplay(None)
        if not self.display:
            raise Failure("cannot open the X display")
        atom = lambda name: x.XInternAtom(self.display, name.encode(), 0)
        self.names = {atom(name): name for name in ("TARGETS", "UTF8_STRING")}
        window = x.XCreateSimpleWindow(self.display, x.XDefaultRootWindow(self.display), 0, 0,
                                       1, 1, 0, 0, 0)
        x.XSetSelectionOwner(self.display, atom("CLIPBOARD"), window, 0)
        x.XFlush(self.display)
        self.asked, self.serving = [], True
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        x, event = self.x, _Event()
        try:
            while self.serving:
                if not x.XPending(self.display):  # which reads what X has sent
                    time.sleep(0.05)
                    continue
                x.XNextEvent(self.display, ctypes.byref(event))
                if event.type == 29:  # SelectionClear
                    self.serving = False
                elif event.type == 30:  # SelectionRequest
                    self.answer(event.request)
        finally:
            x.XCloseDisplay(self.display)

    # Answers TARGETS and UTF8_STRING requests with a SelectionNotify (31), refuses others.
    def answer(self, request):
        target = request.target
        name = self.names.get(target, "other")
        self.asked.append(name)
        reply = _Event(reply=_Selection(31, 0, 1, None, request.requestor, request.selection,
                                        target, request.property or target, request.time))
        data = {"TARGETS": (4, 32, (ctypes.c_ulong * 2)(*self.names), 2),
                "UTF8_STRING": (target, 8, self.text, len(self.text))}.get(name)
        if data:
            self.x.XChangeProperty(self.display, request.requestor, reply.reply.property,
                                   data[0], data[1], 0, *data[2:])
        else:
            reply.reply.property = 0
        self.x.XSendEvent(self.display, request.requestor, 0, 0, ctypes.byref(reply))
        self.x.XFlush(self.display)

    # Stops serving; the clipboard then has no owner, unless another took it.
    def end(self):
        self.serving = False
        self.thread.join(COMMAND_LIMIT)
