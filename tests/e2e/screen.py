"""The X display as a person sees and uses it: screenshots read as pixels,
windows found by title, and real mouse and keyboard input through xdotool.

Positions are found from the pixels themselves (the caption, the margin
strip, the ink of the menu bar and of the line numbers), so the checks hold
whatever the fonts measure."""

import os
import subprocess
import time

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


class Failure(Exception):
    """A check that did not hold; the driver saves the screen when it sees one."""


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def wait_for(what, probe, timeout=20.0):
    """Polls `probe` until it returns something true, or fails after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


# Input.


# Windows takes two clicks on one spot within this many seconds as a
# double-click (on the menu bar, say); a person clicking twice to toggle twice
# is usually slower than that.
DOUBLE_CLICK_TIME = 0.6
last_click = (None, None, 0.0)


def click(x, y, button=1, quick=False):
    """Clicks at (x, y); a second click on the same spot waits out the
    double-click time so that it counts as a click of its own, unless
    `quick` asks for clicks in quick succession."""
    global last_click
    last_x, last_y, last_time = last_click
    if not quick and last_x is not None and abs(x - last_x) <= 8 and abs(y - last_y) <= 8:
        time.sleep(max(0.0, last_time + DOUBLE_CLICK_TIME - time.monotonic()))
    run("xdotool", "mousemove", str(x), str(y), "click", str(button))
    last_click = (x, y, time.monotonic())


def keys(*names):
    run("xdotool", "key", "--delay", "30", *names)


def type_text(text):
    run("xdotool", "type", "--delay", "30", text)


# Windows.


def windows_titled(title):
    """The X windows whose title is exactly `title` (Wine makes one per top-level window)."""
    pattern = "^" + "".join("\\" + c if c in ".^$*+?()[]{}|\\" else c for c in title) + "$"
    result = subprocess.run(["xdotool", "search", "--name", pattern], capture_output=True, text=True)
    return result.stdout.split()


def geometry(window):
    """(x, y, width, height) of a window on the screen, or None once it is gone."""
    result = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True)
    if result.returncode != 0:
        return None
    fields = {}
    for line in result.stdout.splitlines():
        key, _, value = line.strip().partition(":")
        fields[key] = value.strip()
    return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                          "Width", "Height"))


# Screenshots.


class Shot:
    """One screenshot of the whole X screen."""

    def __init__(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], check=True,
                              capture_output=True).stdout
        magic, size, depth, self.pixels = data.split(b"\n", 3)
        if magic != b"P6" or depth != b"255":
            raise Failure("unexpected screenshot format")
        self.width, self.height = map(int, size.split())

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def row(self, y, left, right):
        """The pixels of row y from x = left up to, not including, right."""
        i = (y * self.width + left) * 3
        data = self.pixels[i:i + (right - left) * 3]
        return [tuple(data[k:k + 3]) for k in range(0, len(data), 3)]

    def crop(self, left, top, right, bottom):
        return b"".join(self.pixels[(y * self.width + left) * 3:(y * self.width + right) * 3]
                        for y in range(top, bottom))

    def count(self, colour, left, top, right, bottom):
        """How many pixels of exactly `colour` the rectangle holds."""
        total = 0
        for y in range(top, bottom):
            total += self.row(y, left, right).count(colour)
        return total

    def save(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        header = b"P6\n%d %d\n255\n" % (self.width, self.height)
        subprocess.run(["convert", "ppm:-", path], input=header + self.pixels, check=True)


def runs(values):
    """(start, end, value) for each run of equal values, end exclusive."""
    result = []
    start = 0
    for i in range(1, len(values) + 1):
        if i == len(values) or values[i] != values[start]:
            result.append((start, i, values[start]))
            start = i
    return result


def ink_spans(flags, gap=0):
    """(start, end) of the runs of true flags, runs closer than `gap` merged."""
    spans = []
    for start, end, value in runs(flags):
        if not value:
            continue
        if spans and start - spans[-1][1] <= gap:
            spans[-1] = (spans[-1][0], end)
        else:
            spans.append((start, end))
    return spans


def is_ink(pixel):
    return max(pixel) < 128


class Frame:
    """A top-level window as drawn by Wine: frame, caption, client area."""

    def __init__(self, shot, window_geometry):
        self.shot = shot
        self.x, self.y, self.width, self.height = window_geometry
        middle = self.x + self.width // 2
        column = [shot.at(middle, y) for y in range(self.y, self.y + min(60, self.height))]
        # The caption is the first tall band of one colour from the top.
        top, end, self.caption_colour = next(r for r in runs(column) if r[1] - r[0] >= 10)
        self.caption_top = self.y + top
        self.caption_bottom = self.y + end - 1
        self.border = self.caption_top - self.y
        # The frame is as wide on every side as it is above the caption.
        self.client_left = self.x + self.border
        self.client_right = self.x + self.width - 1 - self.border
        self.client_bottom = self.y + self.height - 1 - self.border

    def close_box(self):
        """The centre of the rightmost caption button."""
        y = (self.caption_top + self.caption_bottom) // 2
        row = self.shot.row(y, self.client_left, self.client_right + 1)
        buttons = ink_spans([p != self.caption_colour for p in row])
        if not buttons:
            raise Failure("no buttons in the caption")
        start, end = buttons[-1]
        return self.client_left + (start + end) // 2, y

    def menu_items(self, bottom):
        """Centres of the menu bar's items, from the ink between caption and `bottom`."""
        top = self.caption_bottom + 1
        width = self.client_right + 1 - self.client_left
        inked = [False] * width
        ink_rows = []
        for y in range(top, bottom):
            row = self.shot.row(y, self.client_left, self.client_right + 1)
            marks = [is_ink(p) for p in row]
            if any(marks):
                ink_rows.append(y)
                inked = [a or b for a, b in zip(inked, marks)]
        if not ink_rows:
            return []
        y = (ink_rows[0] + ink_rows[-1]) // 2
        # Words of one item are a space apart; items are further apart.
        return [(self.client_left + (s + e) // 2, y) for s, e in ink_spans(inked, gap=6)]


class Editor:
    """The editor control as drawn: its line-number margin strip and text area."""

    def __init__(self, frame):
        self.frame = frame
        shot = frame.shot
        self.left, self.top, self.bottom, self.margin_colour = self.find_strip(frame)
        row = shot.row(self.top, self.left, frame.client_right + 1)
        self.margin_right = self.left + runs(row)[0][1]

    @staticmethod
    def find_strip(frame):
        """The margin strip: the widest run of columns whose longest single-coloured,
        non-white stretch is the same and taller than a third of the window."""
        shot = frame.shot
        top = frame.caption_bottom + 1
        keys = []
        for x in range(frame.client_left, frame.client_left + frame.width // 2):
            column = [shot.at(x, y) for y in range(top, frame.client_bottom + 2)]
            longest = max((r for r in runs(column) if r[2] != WHITE),
                          key=lambda r: r[1] - r[0], default=(0, 0, None))
            keys.append((longest[0] + top, longest[1] + top - 1, longest[2]))
        tall = [r for r in runs(keys) if r[2][2] and r[2][1] - r[2][0] > frame.height // 3]
        if not tall:
            raise Failure("no margin strip in the window")
        start, _, (strip_top, strip_bottom, colour) = max(tall, key=lambda r: r[1] - r[0])
        # The frame's inner line below the client area has the margin's colour.
        if strip_bottom == frame.client_bottom + 1:
            strip_bottom -= 1
        return frame.client_left + start, strip_top, strip_bottom, colour

    def number_bands(self):
        """(top, bottom) of each line number drawn in the margin, top to bottom."""
        shot = self.frame.shot
        flags = [any(p != self.margin_colour for p in shot.row(y, self.left, self.margin_right))
                 for y in range(self.top, self.bottom + 1)]
        return [(self.top + s, self.top + e) for s, e in ink_spans(flags)]

    def number_images(self):
        """The pixels of each line number drawn, top to bottom, with its band."""
        return [(self.frame.shot.crop(self.left, top, self.margin_right, bottom), (top, bottom))
                for top, bottom in self.number_bands()]

    def text_area(self):
        return self.margin_right, self.top, self.frame.client_right + 1, self.bottom + 1

    def colour_count(self, colour):
        return self.frame.shot.count(colour, *self.text_area())

    def fold_rules(self):
        """(y, left, right) of each long black rule in the text area (a folded header's
        underline); right is where the rule ends, inclusive."""
        left, top, right, bottom = self.text_area()
        rules = []
        for y in range(top, bottom):
            for start, end, colour in runs(self.frame.shot.row(y, left, right)):
                if colour == BLACK and end - start > (right - left) // 2:
                    rules.append((y, left + start, left + end - 1))
        return rules
