#!/usr/bin/env python3
# End-to-end tests: the real program and KALMOR.DLL under Wine on an X display,
# used only through mouse and keys and judged from screenshots.
#     e2e.py [--session DIR] BUILD OUT_DIR [setup] GROUP...
#     e2e.py [--session DIR] BUILD OUT_DIR screenshot|picture PNG
# BUILD: a build folder or package zip; E2E_WINE: another Wine; E2E_PATIENCE: longer waits.

import os
import re
import shutil
import signal
import subprocess
import sys
import zipfile

from screen import COMMAND_LIMIT, PATIENCE, ClipboardOffer, Failure, View, click, drag, keys, \
    run, save_screen, wait_for, window_titled

TITLE = "Kalmor.dll editor example"
EXE = "kalmor-e2e.exe"
WINE = [os.environ["E2E_WINE"]] if os.environ.get("E2E_WINE") else ["sh", os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake", "wine64.sh")]
# Wine quiet, without .NET, HTML engine or debugger: a crash ends the program.
os.environ["WINEDEBUG"] = "-all"
os.environ.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=;winedbg.exe=d")
GROUP_LIMIT = 100 * PATIENCE
# The demo listing's subs: header line and the lines a fold hides.
SUBS = {10: [11, 12, 13], 15: [16, 17], 19: [20, 21]}
ALL_LINES = list(range(1, 22))
BLUE = (0, 0, 255)


# The listing's line numbers with the subs of `headers` folded.
def without(*headers):
    return [line for line in ALL_LINES if not any(line in SUBS[h] for h in headers)]


# One run of the program and what the screen last showed of it. Line numbers
# are told apart by their pixels, compared with those first drawn.
class Session:
    # Runs the program in `folder` from the folder above (no KALMOR.DLL there).
    def __init__(self, folder, locale=None):
        env = dict(os.environ, LANG=locale, LC_ALL=locale) if locale else None
        self.process = subprocess.Popen([*WINE, os.path.join(folder, EXE)], cwd=folder + "/..",
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        env=env)
        self.window, self.numbers, self.view, self.offers = None, {}, None, []

    def start(self, listing=True):
        self.window = wait_for("the main window", lambda: window_titled(TITLE), 60)
        wait_for("the menu bar and the listing's line numbers", lambda: len(
            self.look().view.menu_items()) == 4 and len(self.view.number_images()) == 21 * listing)
        self.numbers = {image: n for n, (image, _) in enumerate(self.view.number_images(), 1)}
        return self

    def look(self):
        self.view = View(self.window)
        return self

    # Offers `text` on the X clipboard as another X program would; waits for Wine to take it.
    def offer(self, text, what):
        offer = ClipboardOffer(text)
        self.offers.append(offer)
        wait_for(lambda: "%s: Wine's clipboard bridge to ask for the offer's targets: asked for "
                 "%s, the offer %s" % (what, offer.asked, "held" if offer.serving else "taken"),
                 lambda: "TARGETS" in offer.asked)
        return self

    # Waits for Wine's one lasting clipboard bridge: a fresh wineserver's default desktop,
    # whose copies vanish with it, gone, and two offers taken in turn (the second proves
    # the bridge listens again; it stays, as ending it would change the clipboard).
    def clipboard_ready(self):
        wait_for(lambda: "one Wine desktop process, the program's: found %s" % desktop_processes(),
                 lambda: len(desktop_processes()) == 1)
        return self.offer("first probe", "the clipboard bridge").offer(
            "second probe", "the clipboard bridge listening again")

    def end(self):
        self.process.kill()
        self.process.wait(COMMAND_LIMIT)
        for offer in self.offers:
            offer.end()

    # The line numbers the margin shows (None for one not known).
    def lines(self):
        return [self.numbers.get(image) for image, _ in self.view.number_images()]

    def expect_lines(self, expected, what):
        wait_for(lambda: "%s: the margin shows %s, expected %s" % (what, self.lines(), expected),
                 lambda: self.look().lines() == expected, 10)
        return self

    def row_of(self, line):
        top, bottom = self.view.number_images()[self.lines().index(line)][1]
        return (top + bottom) // 2

    def click_number(self, line, times=1):
        click(self.view.margin_right - 5, self.row_of(line), times)
        return self

    def menu(self, item):
        items = self.view.menu_items()
        assert len(items) == 4, "expected 4 menu items, found %d" % len(items)
        click(*dict(zip(("exit", "toggle", "below", "about"), items))[item])
        return self

    def expect_exit(self, how="Exit"):
        assert self.process.wait(20 * PATIENCE) == 0, "exit status 0 after " + how


# The IDs of this prefix's Wine desktop processes (explorer.exe /desktop).
def desktop_processes():
    prefix = os.environ.get("WINEPREFIX", "").encode()

    def ours(pid):
        read = lambda name: open("/proc/%s/%s" % (pid, name), "rb").read().split(b"\0")
        try:  # a process that ended meanwhile, or is not ours, is skipped
            args = read("cmdline")
            return args[0].lower().endswith(b"explorer.exe") and any(
                arg.startswith(b"/desktop") for arg in args[1:]) and next(
                (v[11:] for v in read("environ") if v.startswith(b"WINEPREFIX=")), b"") == prefix
        except OSError:
            return False
    return [int(pid) for pid in filter(str.isdigit, os.listdir("/proc")) if ours(pid)]


# The window, its menu and the coloured listing filling the client area;
# Alt+F4 ends the program with status 0 (other groups use Exit).
def startup_and_exit(s):
    view = s.start().view
    items = view.menu_items()
    middle = view.box[0] + view.box[2] // 2
    assert len(items) == 4 and all(x < middle for x, _ in items[:3]) and items[3][0] > middle, \
        "Exit and the toggles at the left of the menu bar, About at the right: %s" % items
    assert view.editor_bottom >= view.bottom and 10 <= view.editor_top - view.top <= 60, \
        "the editor fills the client area below the menu bar"
    # Keyword blue, comment grey, number red, string green, constant purple.
    counts = [view.colour_count(colour) for colour in (
        BLUE, (128, 128, 128), (128, 0, 0), (0, 128, 0), (128, 0, 128))]
    assert min(counts) > 50 and counts[0] > counts[3], "the listing's colours: %s" % counts
    click(view.right - 5, s.row_of(1))
    keys("alt+F4")
    s.expect_exit("Alt+F4")


# Toggle all subs below from the first sub's End line folds every sub, Toggle
# current sub unfolds it; number clicks in a sub (its End line too: the line
# below is outside it) fold it, on a folded header unfold it, beside the margin
# do nothing, and quick clicks count.
def folding(s):
    click(s.start().view.margin_right + 30, s.row_of(13))
    s.menu("below")
    s.expect_lines(without(10, 15, 19), "Toggle all subs below folds every sub")
    s.menu("toggle").expect_lines(without(15, 19), "Toggle current sub unfolds the first sub")
    s.click_number(13).expect_lines(without(10, 15, 19), "a click on number 13 folds its sub")
    s.click_number(10).expect_lines(without(15, 19), "a click on a folded header unfolds it")
    # Just right of the margin, done once the second sub's folded header unfolds.
    click(s.view.margin_right, s.row_of(12))
    s.click_number(15).expect_lines(without(19), "only the second sub unfolds")
    s.click_number(19, times=3).expect_lines(ALL_LINES, "three quick clicks on a header unfold it")
    s.menu("exit").expect_exit()


# A sub typed at the end of the listing is drawn in colour and folds by a
# click on its line number.
def typing(s):
    blue = s.start().view.colour_count(BLUE)
    click(s.view.right - 5, s.row_of(21))
    for line in ("Sub Added", "End Sub"):
        run("xdotool", "key", "Return", "type", "--delay", "30", line)
    s.expect_lines(ALL_LINES + [None, None], "the two typed lines")
    assert s.view.colour_count(BLUE) > blue, "the typed keywords are drawn blue"
    s.numbers[s.view.number_images()[21][0]] = 22
    s.click_number(22).expect_lines(ALL_LINES + [22], "a click on number 22 folds the new sub")
    s.menu("exit").expect_exit()


# About shows its box; its button closes it and the program carries on.
def about_box(s):
    s.start().menu("about")
    dismiss("About...")
    s.look().menu("exit").expect_exit()


# Without KALMOR.DLL: the Error box comes first, then the window with its
# menu; the toggles do nothing and Exit still ends with 0.
def no_component(s):
    wait_for("the Error box", lambda: window_titled("Error"))
    assert window_titled(TITLE) is None, "no main window while the Error box shows"
    dismiss("Error")
    s.start(listing=False).menu("toggle").menu("below").look().menu("exit").expect_exit()


# Waits for a box titled `title` and closes it by a click on its button, which
# works whether or not the box has the focus (an inactive box takes no keys).
def dismiss(title):
    click(*wait_for("a window titled %s with its button drawn" % title,
                    lambda: View(window_titled(title)).button()))
    wait_for(title + " to close", lambda: not window_titled(title))


# Presses `names`, waits for the X clipboard to hold `expected` (a text or a test of
# one) with LF line ends and answers it; whole_text first selects and copies it all.
def copied(expected, what, *names):
    test = expected if callable(expected) else lambda text: text == expected
    clipboard = lambda: run("xclip", "-o", "-selection", "clipboard").replace("\r\n", "\n")

    def holding():
        try:
            return "%s: the clipboard holds %r" % (what, clipboard())
        except Failure as failure:
            return "%s: the clipboard holds no text (%s)" % (what, failure)
    keys(*names)
    return wait_for(holding, lambda: test(text := clipboard()) and text, 20)


def whole_text(expected, what, *names):
    return copied(expected, what, *names, "ctrl+a", "ctrl+c")


# Shift+keys and a drag select; copy, paste, undo and redo change the text
# (read back through the X clipboard); another X program's text pastes in.
def selecting(s):
    click(s.start().clipboard_ready().view.right - 5, s.row_of(1))
    listing = whole_text(lambda text: text.startswith("'Demo listing") and text.endswith("end sub"),
                         "the listing copied whole")
    click(s.view.margin_right + 30, s.row_of(5))
    copied("Const ID_TEST1 = &H2000", "line 5 selected and copied", "Home", "shift+End", "ctrl+c")
    keys("ctrl+End", "Return", "ctrl+v")
    s.expect_lines(ALL_LINES + [None], "the pasted line")
    for names, text, what in (([], listing + "\nConst ID_TEST1 = &H2000", "the paste"),
                              (["ctrl+z", "ctrl+z"], listing, "two undos"),
                              (["ctrl+y"], listing + "\n", "a redo")):
        whole_text(text, "the text after " + what, *names)
    keys("ctrl+z")
    s.look()
    drag((s.view.margin_right + 30, s.row_of(10)), (s.view.margin_right + 30, s.row_of(12)))
    copied(lambda text: "\n  1*2+(3/4)=567 'Not really...\n" in text, "the dragged lines copied",
           "ctrl+c")
    s.offer("Rem from X\n", "text offered by another X program")
    keys("ctrl+Home", "ctrl+v")
    s.expect_lines(ALL_LINES + [None], "the line pasted from X")
    whole_text("Rem from X\n" + listing, "the text after pasting from X")
    s.menu("exit").expect_exit()


# Under a Japanese locale the ANSI code page, which the editor's code page 0
# follows, is the double-byte 932: Chinese characters typed and pasted from X
# stay whole, show as ink, and Backspace deletes them whole.
def japanese(s):
    click(s.start().clipboard_ready().view.right - 5, s.row_of(21))
    listing = whole_text(lambda text: text.endswith("end sub"), "the listing copied")
    click(s.view.right - 5, s.row_of(21))
    keys("ctrl+End", "Return")
    run("xdotool", "type", "--delay", "60", "\u4e2d\u6587")
    s.offer("\u4e2d\u6587", "text offered by another X program")
    keys("ctrl+v")
    s.expect_lines(ALL_LINES + [None], "the typed and pasted line")
    top, bottom = s.view.number_images()[21][1]
    rows = s.view.rows(top, bottom + 1, s.view.margin_right + 2, s.view.right)
    ink = sum(sum(pixel) < 3 * 160 for row in rows for pixel in row)
    assert ink > 60, "four Chinese characters drawn on the new line: %d dark pixels" % ink
    whole_text(listing + "\n\u4e2d\u6587\u4e2d\u6587", "the text typed and pasted", "ctrl+End")
    whole_text(listing + "\n\u4e2d", "three Backspaces", "ctrl+End", *["BackSpace"] * 3)
    s.menu("exit").expect_exit()


# A word selected with the keys and dragged with the mouse to the end of the
# listing moves there; one undo puts it back.
def dragging(s):
    click(s.start().clipboard_ready().view.margin_right + 30, s.row_of(5))
    keys("Home", "ctrl+shift+Right")
    drag((s.view.margin_right + 8, s.row_of(5)), (s.view.right - 5, s.row_of(21)))
    moved = whole_text(lambda text: text.endswith("end subConst "), "the word dragged to the end")
    assert "\nID_TEST1 = &H2000\n" in moved, "line 5 without its first word: %r" % moved
    whole_text(lambda text: text.endswith("end sub") and "\nConst ID_TEST1" in text,
               "the move undone", "ctrl+z")
    s.menu("exit").expect_exit()


# Saves the main window as a PNG, with the first sub folded for "picture".
def screenshot(s, path, folded=False):
    s.start()
    if folded:
        s.click_number(11).expect_lines(without(10), "the first sub folded")
    save_screen(path, s.view.box)
    s.menu("exit").expect_exit()


GROUPS = {f.__name__: f for f in (startup_and_exit, folding, typing, about_box, no_component,
                                  selecting, japanese, dragging, screenshot)}
GROUPS["picture"] = lambda s, path: screenshot(s, path, folded=True)


# Copies the program (from a zip, unpacked first) beside KALMOR.DLL and alone,
# and gives the copies a Wine desktop of the screen's size.
def prepare(build, out):
    if build.endswith(".zip"):
        with zipfile.ZipFile(build) as package:
            package.extractall(out)
            build = os.path.join(out, package.namelist()[0].split("/")[0])
    for folder in ("app", "nodll"):
        os.makedirs(os.path.join(out, folder), exist_ok=True)
        shutil.copyfile(os.path.join(build, "kalmor-example.exe"), os.path.join(out, folder, EXE))
    shutil.copyfile(os.path.join(build, "KALMOR.DLL"), os.path.join(out, "app", "KALMOR.DLL"))
    # Quiet: Wine's services hold the output open. A session's first start is slow.
    for key, name, data in ((r"HKCU\Software\Wine\AppDefaults\%s\Explorer" % EXE, "Desktop", "e2e"),
                            (r"HKCU\Software\Wine\Explorer\Desktops", "e2e", "1024x768")):
        run(*WINE, "reg", "add", key, "/v", name, "/d", data, "/f", quiet=True,
            limit=4 * COMMAND_LIMIT)


# Saves the screen and the processes of Wine, X and the tools, with their kernel waits.
def record_failure(out, name):
    shot = os.path.join(out, name + "-failed.png")
    try:
        save_screen(shot)
    except Failure as failure:
        shot = "none (%s)" % failure
    wanted = re.compile(r"PID|wine|\.exe|Xvfb|xdotool|import|xwininfo|xclip|python")
    processes = [line for line in run("ps", "-eo", "pid,ppid,stat,etimes,wchan:30,args",
                                      check=False).splitlines() if wanted.search(line)]
    with open(os.path.join(out, name + "-processes.txt"), "w") as file:
        file.writelines(line + "\n" for line in processes)
    return "      screenshot: %s\n      processes:%s" % (shot, "".join(
        "\n        " + line for line in processes))


def on_alarm(signum, frame):
    raise Failure("the group ran past its limit of %d s" % GROUP_LIMIT)


# Runs each group on a fresh run of the program, printing ok or FAIL and what was saved.
def main(argv):
    if argv[0] == "--session":
        os.environ["WINEPREFIX"] = os.path.join(os.path.abspath(argv[1]), "prefix")
        with open(os.path.join(argv[1], "display")) as display:
            os.environ["DISPLAY"] = display.read().strip()
        argv = argv[2:]
    build, out, names = os.path.abspath(argv[0]), os.path.abspath(argv[1]), argv[2:]
    if names[0] in ("setup", "screenshot", "picture"):
        prepare(build, out)
    # A picture's path follows its name; "setup" runs no group of its own.
    runs = [[names[0], os.path.abspath(names[1])]] if names[0] in ("screenshot", "picture") else [
        [name] for name in names if name != "setup"]
    signal.signal(signal.SIGALRM, on_alarm)
    failed = 0
    for name, *arguments in runs:
        session = Session(os.path.join(out, "nodll" if name == "no_component" else "app"),
                          "ja_JP.UTF-8" if name == "japanese" else None)
        try:
            signal.alarm(int(GROUP_LIMIT))
            GROUPS[name](session, *arguments)
            signal.alarm(0)
            print("ok    " + name)
        except Exception as failure:
            signal.alarm(0)
            failed += 1
            print("FAIL  %s: %s (the program %s)\n%s" % (name, failure, "still ran" if (
                status := session.process.poll()) is None else "had ended: %d" % status,
                record_failure(out, name)))
        finally:
            session.end()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
