#!/usr/bin/env python3
"""End-to-end tests: the real x86_64 program and KALMOR.DLL under wine64 on an
X display, used only through mouse and keys and judged from screenshots.

    e2e.py [--session DIR] BUILD_DIR OUT_DIR setup|GROUP...|screenshot PNG|picture PNG

"setup" copies the program into OUT_DIR beside KALMOR.DLL and alone, as
kalmor-e2e.exe, which the prefix gives a Wine desktop of its own (without a
window manager that lets it take the keyboard focus). "picture" saves the
window with the first sub folded. --session takes the prefix and display of
cmake/wine-session.sh's session DIR instead of WINEPREFIX and DISPLAY."""

import os
import shutil
import subprocess
import sys
import time

from screen import Editor, Failure, Frame, Shot, click, geometry, keys, run, type_text, \
    wait_for, windows_titled

TITLE = "Kalmor.dll editor example"
EXE = "kalmor-e2e.exe"
WINE = ["sh", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake",
                           "wine64.sh")]

# The demo listing's subs: header line and the lines a fold hides.
SUB1 = (10, [11, 12, 13])
SUB2 = (15, [16, 17])
SUB3 = (19, [20, 21])
ALL_LINES = list(range(1, 22))


def without(*subs):
    """The listing's line numbers less those hidden when `subs` are folded."""
    hidden = {line for _, lines in subs for line in lines}
    return [line for line in ALL_LINES if line not in hidden]


class Program:
    """One run of the program's copy in `folder`, ended by its process ID."""

    def __init__(self, folder, *arguments):
        self.process = subprocess.Popen([*WINE, EXE, *arguments], cwd=folder,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def main_window(self):
        # The first start in a fresh prefix is slow on a busy machine.
        return wait_for("the main window", lambda: (windows_titled(TITLE) or [None])[0], 60)

    def exit_status(self, timeout=20):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end") from None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class View:
    """What the screen shows of the main window right now."""

    def __init__(self, window, with_editor=True):
        self.shot = Shot()
        where = geometry(window)
        if where is None:
            raise Failure("the main window is gone")
        self.frame = Frame(self.shot, where)
        self.editor = Editor(self.frame) if with_editor else None

    def menu(self):
        bottom = self.editor.top if self.editor else self.frame.caption_bottom + 60
        items = self.frame.menu_items(bottom)
        if len(items) != 4:
            raise Failure("expected 4 menu items, found %d" % len(items))
        return dict(zip(("exit", "toggle", "below", "about"), items))


class Session:
    """The program under test, its window and the line numbers as first drawn."""

    def __init__(self, out, folder="app", *arguments):
        self.out = out
        self.program = Program(os.path.join(out, folder), *arguments)
        self.window = None
        self.numbers = {}
        self.last = None

    def start(self):
        self.window = self.program.main_window()
        view = wait_for("the listing's 21 line numbers", self.listing_drawn)
        self.numbers = {image: n + 1 for n, (image, _) in enumerate(view.editor.number_images())}
        return view

    def listing_drawn(self):
        try:
            view = self.look()
        except Failure:
            return None
        return view if len(view.editor.number_bands()) == len(ALL_LINES) else None

    def look(self, with_editor=True):
        self.last = View(self.window, with_editor)
        return self.last

    def lines(self, view):
        """The line numbers the margin shows (None for one not in the listing)."""
        return [self.numbers.get(image) for image, _ in view.editor.number_images()]

    def wait_lines(self, expected, what):
        def probe():
            view = self.look()
            return view if self.lines(view) == expected else None

        try:
            return wait_for(what, probe, timeout=10)
        except Failure:
            raise Failure("%s: the margin shows lines %s, expected %s"
                          % (what, self.lines(self.last), expected)) from None

    def row_of(self, view, line):
        """The y of the middle of a shown line (from its number's ink)."""
        top, bottom = view.editor.number_images()[self.lines(view).index(line)][1]
        return (top + bottom) // 2

    def click_number(self, view, line, quick=False):
        click(view.editor.margin_right - 5, self.row_of(view, line), quick=quick)

    def click_text(self, view, line):
        click(view.editor.margin_right + 30, self.row_of(view, line))

    def exit_by_menu(self, view):
        click(*view.menu()["exit"])
        expect_equal(self.program.exit_status(), 0, "exit status after Exit")

    def save_failure(self, name):
        path = os.path.join(self.out, name + "-failed.png")
        Shot().save(path)
        return path


def expect(condition, message):
    if not condition:
        raise Failure(message)


def expect_equal(actual, expected, what):
    expect(actual == expected, "%s: got %r, expected %r" % (what, actual, expected))


def expect_fills_client(view, what):
    """The editor's margin strip starts at the client area's left edge and
    reaches its bottom; a fold rule, when drawn, reaches its right edge."""
    frame, editor = view.frame, view.editor
    expect_equal(editor.left, frame.client_left, what + ": editor's left edge")
    expect_equal(editor.bottom, frame.client_bottom, what + ": editor's bottom edge")
    menu_height = editor.top - frame.caption_bottom
    expect(10 <= menu_height <= 60, "%s: %d pixels between caption and editor"
           % (what, menu_height))
    for y, _, right in editor.fold_rules():
        expect_equal(right, frame.client_right, what + ": right end of the fold rule at y=%d" % y)


# The groups of checks, each on a fresh run of the program.


def startup_and_exit(session):
    """The window, its menu and the coloured listing; the close box ends the
    program with status 0 (every other group ends it by Exit)."""
    view = session.start()
    menu = view.menu()
    middle = view.frame.x + view.frame.width // 2
    expect(all(x < middle for x, _ in list(menu.values())[:3]) and menu["about"][0] > middle,
           "Exit and the toggles sit at the left of the menu bar, About at the right")
    expect_fills_client(view, "start-up")
    colours = {name: view.editor.colour_count(colour) for name, colour in (
        ("keyword blue", (0, 0, 255)), ("comment grey", (128, 128, 128)),
        ("number red", (128, 0, 0)), ("string green", (0, 128, 0)),
        ("constant purple", (128, 0, 128)))}
    for name, count in colours.items():
        expect(count > 50, "only %d pixels of %s in the listing" % (count, name))
    expect(colours["keyword blue"] > colours["string green"],
           "keywords outweigh strings in the listing")
    click(*view.frame.close_box())
    expect_equal(session.program.exit_status(), 0, "exit status after the close box")


def folding(session):
    """The menu: Toggle all subs below from the first header folds every sub,
    and Toggle current sub, the caret left on that header, unfolds it again.
    Line-number clicks: inside a sub fold it, on a folded header unfold it,
    beside the number margin do nothing, and quick clicks each count."""
    view = session.start()
    session.click_text(view, SUB1[0])
    click(*view.menu()["below"])
    view = session.wait_lines(without(SUB1, SUB2, SUB3), "Toggle all subs below folds every sub")
    expect_equal(len(view.editor.fold_rules()), 3, "fold rules under the folded headers")
    click(*view.menu()["toggle"])
    view = session.wait_lines(without(SUB2, SUB3), "Toggle current sub unfolds the first sub")

    session.click_number(view, 12)
    view = session.wait_lines(without(SUB1, SUB2, SUB3), "a click on line number 12 folds its sub")
    expect_fills_client(view, "every sub folded")
    session.click_number(view, SUB1[0])
    view = session.wait_lines(without(SUB2, SUB3), "a click on the folded header's number unfolds it")
    # Just right of the number margin (the text's padding), then the second
    # sub's folded header: once that unfolds, the first click is done.
    click(view.editor.margin_right, session.row_of(view, 12))
    session.click_number(view, SUB2[0])
    view = session.wait_lines(without(SUB3), "only the second sub unfolds")
    for _ in range(3):
        session.click_number(view, SUB3[0], quick=True)
    view = session.wait_lines(ALL_LINES, "three quick clicks on the third sub's header unfold it")
    session.exit_by_menu(view)


def typing(session):
    """A sub typed at the end of the listing folds by a line-number click."""
    view = session.start()
    blue = view.editor.colour_count((0, 0, 255))
    click(view.frame.client_right - 5, session.row_of(view, 21))
    keys("Return")
    type_text("Sub Added")
    keys("Return")
    type_text("End Sub")
    view = session.wait_lines(ALL_LINES + [None, None], "the two typed lines")
    expect(view.editor.colour_count((0, 0, 255)) > blue, "the typed keywords are drawn blue")
    new_sub = view.editor.number_images()[21:]
    click(view.editor.margin_right - 5, sum(new_sub[0][1]) // 2)
    view = session.wait_lines(ALL_LINES + [None], "a click on line number 22 folds the new sub")
    expect_equal(view.editor.number_images()[21][0], new_sub[0][0], "line number 22 stays")
    click(view.editor.margin_right - 5, sum(new_sub[0][1]) // 2)
    session.wait_lines(ALL_LINES + [None, None], "a second click unfolds it")
    session.exit_by_menu(view)


def about_box(session):
    """About shows its box; Enter closes it and the program carries on."""
    view = session.start()
    click(*view.menu()["about"])
    box = bring_to_front("About...")
    wait_for("the about box's text", lambda: dark_pixels(box) > 100)
    keys("Return")
    wait_for("the about box to close", lambda: not windows_titled("About..."))
    view = session.look()
    session.exit_by_menu(view)


def clipboard_text():
    """The X clipboard's text with LF line ends, or None when nobody offers one."""
    try:
        text = run("xclip", "-o", "-selection", "clipboard")
    except subprocess.CalledProcessError:
        return None
    return text.replace("\r\n", "\n").replace("\r", "\n")


def expect_clipboard(expected, what):
    """Waits for the X clipboard to hold `expected` (a string, or a test of one)."""
    test = expected if callable(expected) else lambda text: text == expected
    try:
        wait_for(what, lambda: test(clipboard_text() or ""), timeout=5)
    except Failure:
        raise Failure("%s: the clipboard holds %r" % (what, clipboard_text())) from None


def editor_text(expected, what):
    """Copies the whole text (Ctrl+A, Ctrl+C) and expects it on the X clipboard."""
    keys("ctrl+a", "ctrl+c")
    expect_clipboard(expected, what)


def is_highlight(pixel):
    """The selection's light tint: pale, bluer than red, not white."""
    return min(pixel) > 140 and pixel[2] - pixel[0] >= 20


def band(session, view, line):
    """The pixels of a shown line's text, a few rows around its middle."""
    y = session.row_of(view, line)
    left, _, right, _ = view.editor.text_area()
    return [p for row in range(y - 2, y + 3) for p in view.shot.row(row, left, right)]


def highlighted(session, view, line):
    return sum(1 for p in band(session, view, line) if is_highlight(p))


def selecting(session):
    """Shift+keys select, drawn as a light tint that keeps the colours; the
    selection copies to the X clipboard, and text another X program put on
    the clipboard pastes in."""
    view = session.start()
    listing = None

    def whole(text):
        nonlocal listing
        listing = text
        return text.startswith("'Demo listing") and text.endswith("end sub")

    editor_text(whole, "the listing copied whole")
    session.click_text(view, 5)
    keys("Home", "shift+End")
    view = wait_for("line 5 selected", lambda: highlighted(session, session.look(), 5) > 50
                    and session.last)
    expect(highlighted(session, view, 7) == 0, "line 7 is not selected")
    colourful = sum(1 for p in band(session, view, 5) if max(p) - min(p) > 90)
    expect(colourful > 10, "the selected line keeps its colours (%d pixels)" % colourful)
    keys("ctrl+c")
    expect_clipboard("Const ID_TEST1 = &H2000", "line 5 copied")

    # Text from another X program: xclip serves it until stopped.
    server = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i"],
                              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        server.stdin.write(b"Rem from X\n")
        server.stdin.close()
        expect_clipboard("Rem from X\n", "xclip's text offered")
        keys("ctrl+Home", "ctrl+v")
        session.wait_lines(ALL_LINES + [None], "the line pasted from X")
    finally:
        server.terminate()
        server.wait()
    editor_text("Rem from X\n" + listing, "the text after pasting from X")
    session.exit_by_menu(session.look())


def dark_pixels(window):
    """How many dark (text) pixels a window shows below its caption."""
    box = Frame(Shot(), geometry(window))
    pixels = box.shot.crop(box.client_left, box.caption_bottom + 1, box.client_right + 1,
                           box.client_bottom + 1)
    return sum(1 for i in range(0, len(pixels), 3) if max(pixels[i:i + 3]) < 128)


def bring_to_front(title):
    """Waits for a window titled `title` and clicks its caption, as a person
    does before typing into a box that popped up."""
    window = wait_for("a window titled " + title, lambda: (windows_titled(title) or [None])[0])
    frame = Frame(Shot(), wait_for("the geometry of " + title, lambda: geometry(window)))
    click(frame.x + frame.width // 2, (frame.caption_top + frame.caption_bottom) // 2)
    return window


def no_component(session):
    """Without KALMOR.DLL: the Error box first, then the window with its menu
    over a white client area; the toggles do nothing and Exit still ends with 0."""
    box = bring_to_front("Error")
    wait_for("the Error box's text", lambda: dark_pixels(box) > 50)
    expect_equal(windows_titled(TITLE), [], "main windows while the Error box shows")
    keys("Return")
    session.window = session.program.main_window()
    view = wait_for("the menu bar over a white client area", lambda: white_under_menu(session))
    click(*view.menu()["toggle"])
    click(*view.menu()["below"])
    view = wait_for("the window unchanged after the toggles", lambda: white_under_menu(session))
    session.exit_by_menu(view)


def white_under_menu(session):
    """A view of the window with its four menu items and nothing but white
    below them (from a little under the items' text to the bottom), or None."""
    view = session.look(with_editor=False)
    try:
        items = view.menu()
    except Failure:
        return None
    frame = view.frame
    for y in range(max(y for _, y in items.values()) + 12, frame.client_bottom + 1):
        if any(p != (255, 255, 255) for p in view.shot.row(y, frame.client_left,
                                                             frame.client_right + 1)):
            return None
    return view


def picture(session, path, folded):
    """Saves the program's window as a PNG, with the first sub folded if asked,
    then ends the program by Exit."""
    view = session.start()
    if folded:
        session.click_number(view, 11)
        view = session.wait_lines(without(SUB1), "the first sub folded")
    x, y, width, height = geometry(session.window)
    subprocess.run(["convert", "ppm:-", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                    "+repage", path], check=True,
                   input=b"P6\n%d %d\n255\n" % (view.shot.width, view.shot.height)
                   + view.shot.pixels)
    session.exit_by_menu(view)


GROUPS = {f.__name__: f for f in (startup_and_exit, folding, typing, about_box, no_component,
                                  selecting)}


def prepare(build, out):
    """Copies the program beside KALMOR.DLL and alone, and gives the copies'
    name a Wine desktop of the screen's size in the prefix."""
    for folder, files in (("app", ("kalmor-example.exe", "KALMOR.DLL")),
                          ("nodll", ("kalmor-example.exe",))):
        os.makedirs(os.path.join(out, folder), exist_ok=True)
        for name in files:
            target = EXE if name.endswith(".exe") else name
            shutil.copyfile(os.path.join(build, name), os.path.join(out, folder, target))
    for key, name, value in (
            ("HKCU\\Software\\Wine\\AppDefaults\\" + EXE + "\\Explorer", "Desktop", "e2e"),
            ("HKCU\\Software\\Wine\\Explorer\\Desktops", "e2e", "1024x768")):
        subprocess.run([*WINE, "reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main(argv):
    """Runs the named groups, each on a fresh run of the program, and prints
    one line per group; a failed one also names its screenshot."""
    if argv and argv[0] == "--session":
        session_dir, argv = os.path.abspath(argv[1]), argv[2:]
        os.environ["WINEPREFIX"] = os.path.join(session_dir, "prefix")
        with open(os.path.join(session_dir, "display")) as display:
            os.environ["DISPLAY"] = display.read().strip()
    os.environ["WINEDEBUG"] = "-all"
    os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    build, out, names = os.path.abspath(argv[0]), os.path.abspath(argv[1]), argv[2:]
    if names[0] == "setup":
        prepare(build, out)
        return 0
    if names[0] in ("screenshot", "picture"):
        prepare(build, out)
        path, folded = os.path.abspath(names[1]), names[0] == "picture"
        runs = [(names[0], lambda session: picture(session, path, folded))]
    else:
        runs = [(name, GROUPS[name]) for name in names]
    failed = 0
    for name, group in runs:
        started = time.monotonic()
        session = Session(out, "nodll" if group is no_component else "app")
        try:
            group(session)
            print("ok    %s (%.1f s)" % (name, time.monotonic() - started))
        except Exception as failure:
            failed += 1
            print("FAIL  %s: %s\n      screenshot: %s" % (name, failure, session.save_failure(name)))
        finally:
            session.program.stop()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
