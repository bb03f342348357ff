#!/usr/bin/env python3
"""End-to-end test of the desktop program in a real X server.

Starts its own Xvfb (no window manager) and the built `dipsheet` in a scratch folder that
holds a fresh job database and the two report definitions set to write chart.pdf, then acts
as a person with xdotool: it waits out the splash, names the client (a fresh file starts in
Client Name), types the chart heading, charts one tank of each kind, prints and closes each
chart, has a blank client name refused, and corrects the customer name in the main window
between Calculate and Print. What the program did is checked in the database file with SQL,
in the PDF with pdftotext, and on screen through screenshots (which field shows a selection,
the colour of a button); the chart rows must equal, value for value, the rows
`dipsheet-chart` computes from the same texts.

Controls are found by their place: without a window manager a window has no frame, so a
control's screen position is its window's origin plus the twips layout of its panel and
control (15 twips to a pixel at Xvfb's 96 dpi). Text goes in by keyboard in tab order.

Every process it starts is stopped by its id on the way out (and is told to end if this
script dies first); the scratch folder is removed. On failure it says what went wrong, where
the screenshot is, and keeps the database and the program's output beside it.

Python 3 standard library only; needs Xvfb, xdotool, xwininfo, xprop, import and convert
(ImageMagick), sqlite3 and pdftotext.
"""

import argparse
import ctypes
import os
import re
import select
import shutil
import signal
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse

SCREEN_W, SCREEN_H = 1280, 1024
SPLASH_SECONDS = 7.0
MAIN_TITLE = "^Dipsheet$"
CHART_TITLE = "^Calculated Capacity$"
TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import", "convert", "pdftotext",
         "openbox", "xclip")

# What the person types. Plain letters, digits, blanks and '-' only, so that every key
# exists on Xvfb's default keyboard map.
OFFICE_CLIENT = "Harbour Tanks Ltd"  # typed over the fresh file's placeholder
CLIENT = "Fenland Tanks"
CLIENT_AGAIN = "Quay Oils"
CUSTOMER = "Northgate Fuel Depot"
TANK_DESC = "Diesel tank 3 west yard"
SERIAL = "SN-4471-B"
NEXT_CUSTOMER = "Southgate Fuel Depot"
# The customer name as corrected between Calculate and Print, in each run.
CORRECTED_CUSTOMER = {"no window manager": "Eastgate Fuel Depot",
                      "openbox": "Westgate Oil Store"}
PLACEHOLDER_CLIENT = "Client Name"  # the client name of a fresh job file

# Fusion's highlight, behind selected text: the program's style keeps the standard palette.
YELLOW = (255, 255, 0)
SELECTION = (48, 140, 198)

# ---- Layout, in twips. Panels are placed in the main window's client area, which starts at
# the window's origin (the main window has no menu or tool bar); a control is placed in its
# panel, and an option button in its group frame.
FRM_CLIENT = (50, 0)
FORM1 = (3800, 0)
FRM_CHART = (4800, 950)
DIMENSION_PANEL = (5550, 3845)  # the three dimension panels share this place
FRA_HV = (2520, 0)
FRM_CONFIGURATION = (0, 120)
FRM_UNITS = (1560, 120)
FRM_DIMENSION = (3120, 120)

FRM_CUSTOMER = (50, 650)
TXT_CLIENT = (FRM_CLIENT, (0, 0, 3735, 420))
TXT_TANK_DESC = (FRM_CUSTOMER, (1560, 1560, 3000, 600))
TXT_SERIAL = (FRM_CUSTOMER, (1560, 2280, 3000, 300))
# The customer panel above the description, in the column of its fields: the Customer Name
# field on the panel's blue, and nothing else. The field's own box is found on screen.
CUSTOMER_BAND = (FRM_CUSTOMER, (TXT_TANK_DESC[1][0], 0, TXT_TANK_DESC[1][2], TXT_TANK_DESC[1][1]))
OPT_HORIZONTAL = (FORM1, FRA_HV, (120, 120, 2655, 285))
OPT_CYLINDRICAL = (FRM_CHART, FRM_CONFIGURATION, (120, 360, 1335, 255))
OPT_INCHES = (FRM_CHART, FRM_UNITS, (120, 360, 1335, 255))
OPT_INSIDE = (FRM_CHART, FRM_DIMENSION, (120, 720, 1335, 255))
OPT_VERTICAL = (FORM1, FRA_HV, (120, 480, 2655, 285))
OPT_RECTANGULAR = (FRM_CHART, FRM_CONFIGURATION, (120, 720, 1335, 255))
OPT_MILLIMETERS = (FRM_CHART, FRM_UNITS, (120, 720, 1335, 255))
OPT_OUTSIDE = (FRM_CHART, FRM_DIMENSION, (120, 360, 1335, 255))
CHK_STRIKER = (FRM_CHART, (720, 1440, 1800, 255))
TXT_INCREMENT = (FRM_CHART, (2640, 1800, 1215, 285))
CMD_CALCULATE = (FRM_CHART, (360, 2280, 1215, 495))
CMD_EXIT_MAIN = (FRM_CHART, (3120, 2280, 1215, 495))
# The fields of the first two rows of the dimension panel on screen (Diameter and Length on the
# horizontal cylinder panel).
TXT_DIAMETER = (DIMENSION_PANEL, (1680, 240, 1215, 285))
TXT_LENGTH = (DIMENSION_PANEL, (1680, 720, 1215, 285))
# The heads panel below the dimension panels: its drop-down list of kinds.
FRM_HEADS = (5550, 6020)
CBO_HEADS = (FRM_HEADS, (1680, 240, 1380, 315))
# The tilt panel below the heads panel: the fall to end B and the dip point.
FRM_TILT = (5550, 7280)
TXT_FALL = (FRM_TILT, (1680, 240, 1215, 285))
TXT_DIP_AT = (FRM_TILT, (1680, 720, 1215, 285))
# The cyan labels of the four rows of the dimension panel on screen; a hidden row shows the
# panel's blue.
ROW_LABELS = [(DIMENSION_PANEL, (240, top, 1215, 255)) for top in (240, 720, 1200, 1680)]
# The chart window, a top-level window of its own.
CMD_PRINT = ((4080, 2040, 1215, 495),)
CMD_EXIT_CHART = ((4080, 2760, 1215, 495),)


def px(twips):
    """Pixels of a twips distance, rounded as the program rounds each position."""
    return (twips + 7) // 15


def point(origin, chain, fx=0.5, fy=0.5):
    """Screen point inside the control at the end of `chain`: `fx`, `fy` are fractions of
    its width and height. Option buttons and check boxes are clicked on their caption."""
    x, y = origin
    for left, top, *_ in chain:
        x += px(left)
        y += px(top)
    _, _, width, height = chain[-1]
    return x + int(px(width) * fx), y + int(px(height) * fy)


class Failure(Exception):
    pass


def log(message):
    print(f"[{time.monotonic() - T0:6.2f}s] {message}", flush=True)


T0 = time.monotonic()


def die_with_parent():
    """Run in each child: end it with SIGTERM if this script dies without cleaning up."""
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(1, signal.SIGTERM, 0, 0, 0)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


# ---- Processes this script starts; stopped by id, last started first.

class Processes:
    def __init__(self):
        self.started = []

    def start(self, name, argv, **kwargs):
        proc = subprocess.Popen(argv, preexec_fn=die_with_parent, **kwargs)
        self.started.append((name, proc))
        return proc

    def stop_all(self):
        for name, proc in reversed(self.started):
            if proc.poll() is not None:
                continue
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=5)
            log(f"stopped {name} (pid {proc.pid})")
        self.started.clear()


# ---- The X display: windows, keys, mouse, screenshots.

class Display:
    def __init__(self, number, artifacts, app):
        self.name = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.name)
        self.artifacts = artifacts
        self.app = app  # the program's process, watched while waiting
        self.shots = 0

    def run(self, *argv, check=True):
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(argv)} failed ({result.returncode}): {result.stderr.strip()}")
        return result.stdout

    def visible_windows(self, title):
        """Ids of the mapped (viewable) top-level windows whose title matches `title`."""
        out = self.run("xdotool", "search", "--onlyvisible", "--name", title, check=False)
        return [int(w) for w in out.split()]

    def window_info(self, wid):
        """(x, y, width, height, viewable) of a window, or None once it no longer exists."""
        result = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env,
                                capture_output=True, text=True, timeout=30)
        if result.returncode != 0:
            return None
        values = dict(re.findall(r"^\s*([A-Za-z -]+):\s+(\S+)", result.stdout, re.M))
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]),
                values["Map State"] == "IsViewable")

    def focused_window(self):
        out = self.run("xdotool", "getwindowfocus", check=False).strip()
        return int(out) if out.isdigit() else None

    def click(self, xy, kind="instant"):
        """A click at `xy`: "instant" sends press and release together, "hand" presses,
        holds about 0.1 s and releases, as a person's finger does."""
        if kind == "hand":
            self.run("xdotool", "mousemove", str(xy[0]), str(xy[1]), "mousedown", "1",
                     "sleep", "0.1", "mouseup", "1")
        else:
            self.run("xdotool", "mousemove", str(xy[0]), str(xy[1]), "click", "1")

    def double_click(self, xy):
        self.run("xdotool", "mousemove", str(xy[0]), str(xy[1]), "click", "--repeat", "2",
                 "--delay", "80", "1")

    def type(self, text):
        self.run("xdotool", "type", "--delay", "25", "--", text)

    def key(self, *keys):
        self.run("xdotool", "key", "--delay", "40", *keys)

    def screenshot(self, label):
        self.shots += 1
        path = os.path.join(self.artifacts, f"{self.shots:02d}-{label}.png")
        self.run("import", "-window", "root", path)
        return path

    def pixels(self, png, points):
        """The (r, g, b) of the screenshot `png` at each point."""
        ppm = subprocess.run(["convert", png, "-depth", "8", "ppm:-"], capture_output=True,
                             timeout=30, check=True).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
        width = int(header.group(1))
        data = ppm[header.end():]
        return [tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x, y in points]

    def area(self, png, box):
        """{(x, y): (r, g, b)} of every pixel of the screen box (left, top, width, height)."""
        left, top, width, height = box
        points = [(x, y) for y in range(top, top + height) for x in range(left, left + width)]
        return dict(zip(points, self.pixels(png, points)))

    def wait_for(self, what, probe, timeout, interval=0.1):
        """Polls `probe` until it returns something true; fails after `timeout` seconds or as
        soon as the program has ended. A probe that fails (a screenshot taken before the
        window was painted) is asked again; its last failure is the one reported."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                value = probe()
                failed = None
            except Failure as failure:
                value, failed = None, failure
            if value:
                return value
            if self.app is not None and self.app.poll() is not None:
                raise Failure(f"the program ended (exit status {self.app.returncode}) "
                              f"while waiting for {what}")
            if time.monotonic() > deadline:
                if failed is not None:
                    raise failed
                raise Failure(f"timed out after {timeout:g} s waiting for {what}")
            time.sleep(interval)


def start_xvfb(processes, log_path):
    """Starts Xvfb on a free display number, :90 to :99 first, then any the server finds
    free; returns the number once the server accepts connections."""
    candidates = [n for n in range(90, 100) if not os.path.exists(f"/tmp/.X{n}-lock")]
    for number in candidates + [None]:
        read_end, write_end = os.pipe()
        argv = ["Xvfb"] + ([f":{number}"] if number is not None else []) + [
            "-displayfd", str(write_end), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
            "-dpi", "96", "-nolisten", "tcp", "-noreset"]
        with open(log_path, "ab") as out:
            server = processes.start("Xvfb", argv, pass_fds=(write_end,), stdout=out,
                                     stderr=subprocess.STDOUT)
        os.close(write_end)
        received = b""
        deadline = time.monotonic() + 20
        try:
            # The server writes its display number once it is ready, or ends (the display
            # is taken) and closes the pipe.
            while not received.endswith(b"\n"):
                remaining = deadline - time.monotonic()
                if remaining <= 0 or not select.select([read_end], [], [], remaining)[0]:
                    raise Failure(f"Xvfb did not start within 20 s (log: {log_path})")
                chunk = os.read(read_end, 64)
                if not chunk:
                    break
                received += chunk
        finally:
            os.close(read_end)
        if received.endswith(b"\n"):
            return int(received.strip())
        server.wait(timeout=10)
    raise Failure(f"Xvfb found no free display (log: {log_path})")


def start_openbox(processes, display, log_path):
    """Starts openbox on the display and waits until it has taken the screen (it names
    itself on the root window)."""
    with open(log_path, "ab") as out:
        processes.start("openbox", ["openbox", "--sm-disable"], env=display.env, stdout=out,
                        stderr=subprocess.STDOUT)

    def running():
        out = display.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)
        return "window id" in out
    display.wait_for("openbox to manage the screen", running, 20)
    log("openbox manages the screen")


# ---- The database file and the charts.

def query(db_path, sql, args=()):
    uri = "file:" + urllib.parse.quote(db_path) + "?mode=ro"
    con = sqlite3.connect(uri, uri=True, timeout=5)
    try:
        return con.execute(sql, args).fetchall()
    finally:
        con.close()


def job_record(db_path):
    rows = query(db_path, "SELECT mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo FROM mrQRT "
                          "ORDER BY rowid LIMIT 1")
    return rows[0] if rows else None


def single(value):
    return struct.pack("<f", value)


def expected_chart(chart_tool, arguments):
    """Rows of `dipsheet-chart` for the same texts, as (depth, capacity) text pairs."""
    result = subprocess.run([chart_tool, *arguments], capture_output=True, text=True, timeout=60)
    if result.returncode != 0:
        raise Failure(f"dipsheet-chart {' '.join(arguments)} failed ({result.returncode}): "
                      f"{result.stderr.strip()}")
    lines = result.stdout.split()
    if not lines or lines[0] != "Depth,Capacity":
        raise Failure(f"dipsheet-chart printed no chart: {result.stdout[:200]!r}")
    return [tuple(line.split(",")) for line in lines[1:]]


def compare_rows(stored, expected, label):
    """Every stored row must be the single-precision pair the chart tool printed."""
    if len(stored) != len(expected):
        raise Failure(f"{label}: the file holds {len(stored)} chart rows, dipsheet-chart "
                      f"computes {len(expected)}")
    for i, ((depth, capacity), (want_depth, want_capacity)) in enumerate(zip(stored, expected)):
        for got, want, field in ((depth, want_depth, "Depth"),
                                 (capacity, want_capacity, "Capacity")):
            if not isinstance(got, float) or struct.unpack("<f", single(got))[0] != got:
                raise Failure(f"{label}: row {i + 1} {field} {got!r} is not a stored single")
            if single(got) != single(float(want)):
                raise Failure(f"{label}: row {i + 1} {field} is {got!r} in the file, "
                              f"dipsheet-chart gives {want}")


# ---- The scratch folder.

def make_scratch(schema, definitions):
    scratch = tempfile.mkdtemp(prefix="dipsheet-e2e-")
    db_path = os.path.join(scratch, "QRTMembers.mdb")
    with open(schema, "rb") as sql:
        subprocess.run(["sqlite3", db_path], stdin=sql, check=True, timeout=30)
    for definition in definitions:
        with open(definition, encoding="utf-8") as f:
            text = f.read()
        with open(os.path.join(scratch, os.path.basename(definition)), "w",
                  encoding="utf-8") as f:
            f.write(to_pdf(text))
    os.mkdir(os.path.join(scratch, "runtime"), 0o700)
    return scratch, db_path


def forget_window_places(scratch):
    """Removes the [Windows] section the program keeps in the folder's dipsheet.ini."""
    path = os.path.join(scratch, "dipsheet.ini")
    if not os.path.exists(path):
        return
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    kept, inside = [], False
    for line in lines:
        if line.strip().startswith(b"["):
            inside = line.strip().lower() == b"[windows]"
        if not inside:
            kept.append(line)
    with open(path, "wb") as f:
        f.write(b"\n".join(kept))


def program_env(display, scratch):
    """The environment the program runs in: the display, no platform or scaling of the
    caller's, the C locale, and a runtime folder in the scratch folder."""
    env = dict(display.env)
    for name in ("QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY",
                 "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR"):
        env.pop(name, None)
    # The chart tool reads numbers with '.' as the decimal point; so does this locale.
    env.update(LC_ALL="C.UTF-8", LANG="C.UTF-8", XDG_RUNTIME_DIR=os.path.join(scratch, "runtime"))
    if "ASAN_OPTIONS" in env:
        # In a sanitizer build: the X keyboard library copies X atom names, which the protocol
        # does not NUL-terminate, with strndup; strict string checks report that as an overflow
        # at start-up. Later options win.
        env["ASAN_OPTIONS"] += ":strict_string_checks=0"
    return env


def to_pdf(definition):
    """The definition with its [Output] section set to write chart.pdf without a dialog."""
    out, section, seen, done = [], None, False, set()

    def finish_output():
        out.extend(f"{k}={v}" for k, v in OUTPUT.items() if k not in done)

    for line in definition.splitlines():
        header = re.match(r"\s*\[\s*([^\]]+?)\s*\]", line)
        if header:
            if section == "output":
                finish_output()
            section = header.group(1).strip().lower()
            seen = seen or section == "output"
        elif section == "output" and "=" in line:
            key = line.split("=", 1)[0].strip()
            known = [k for k in OUTPUT if k.lower() == key.lower()]
            if known:
                out.append(f"{known[0]}={OUTPUT[known[0]]}")
                done.add(known[0])
                continue
        out.append(line)
    if section == "output":
        finish_output()
    elif not seen:
        out.append("[Output]")
        finish_output()
    return "\n".join(out) + "\n"


OUTPUT = {"Destination": "pdf", "File": "chart.pdf"}


def definition_value(path, key):
    with open(path, encoding="utf-8") as f:
        for line in f:
            name, _, value = line.partition("=")
            if name.strip().lower() == key.lower():
                return re.split(r"\s;", value, maxsplit=1)[0].strip()
    return None


def pdf_text(path):
    result = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True,
                            timeout=60)
    if result.returncode != 0:
        raise Failure(f"pdftotext {path} failed: {result.stderr.strip()}")
    return " ".join(result.stdout.split())


# ---- The session: what the person does.

class Session:
    def __init__(self, args, scratch, db_path, display, app, launched):
        self.args = args
        self.scratch = scratch
        self.db = db_path
        self.x = display
        self.app = app
        self.launched = launched  # time.monotonic() just before the program started
        self.main = None
        self.origin = (0, 0)
        self.striker = True  # the striker plate box, as the program starts
        self.typed = ""

    # -- helpers

    def at(self, chain, fx=0.5, fy=0.5):
        return point(self.origin, chain, fx, fy)

    def settle(self):
        # The pause of a person between pointing and typing: the field selects its text on
        # entry once the click has been handled.
        time.sleep(0.3)

    def wait_focus(self, wid, what):
        self.x.wait_for(f"the keyboard focus on {what}", lambda: self.x.focused_window() == wid,
                        10)

    def wait_record(self, what, index, value):
        def probe():
            record = job_record(self.db)
            return record is not None and record[index] == value
        try:
            self.x.wait_for(f"{what} = {value!r} in mrQRT", probe, 10)
        except Failure as failure:
            raise Failure(f"{failure}; the record is {job_record(self.db)!r}") from None

    def screen_box(self, chain):
        """(left, top, width, height) on screen of the control at the end of `chain`."""
        left, top = self.at(chain, 0, 0)
        return left, top, px(chain[-1][2]), px(chain[-1][3])

    def selection_shown(self, png, chain):
        """How many pixels of the control's box show the selection colour in the screenshot."""
        return sum(1 for rgb in self.x.area(png, self.screen_box(chain)).values()
                   if all(abs(c - s) <= 6 for c, s in zip(rgb, SELECTION)))

    def customer_field(self, png):
        """Screen box of the Customer Name field: the white face it shows on the panel's blue,
        from a screenshot where no other window covers it."""
        white = [xy for xy, rgb in self.x.area(png, self.screen_box(CUSTOMER_BAND)).items()
                 if rgb == (255, 255, 255)]
        if len(white) < 200:
            raise Failure(f"no Customer Name field above the description (screenshot {png})")
        xs, ys = [x for x, _ in white], [y for _, y in white]
        return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1

    def expect_selection(self, label, shown, hidden):
        """Once the field of `shown` shows its text selected, the controls of `hidden` show no
        selection on the same screenshot: only the field with the focus shows one."""
        name, chain = shown
        shots = []

        def selected():
            shots.append(self.x.screenshot(label))
            return self.selection_shown(shots[-1], chain) >= 50
        try:
            self.x.wait_for(f"{name} to show its text selected", selected, 10)
        except Failure as failure:
            raise Failure(f"{failure} (screenshot {shots[-1]})") from None
        png = shots[-1]
        for name, chain in hidden:
            count = self.selection_shown(png, chain)
            if count:
                raise Failure(f"{name} shows a selection ({count} pixels of the selection "
                              f"colour) without the focus (screenshot {png})")

    def expect_panel(self, label, calculate, rows):
        """From a screenshot: Calculate is `calculate` ("yellow" or "grey") and the dimension
        panel on screen shows its first `rows` rows, the others hidden; looked at again until
        it is so (a window not yet painted), for 10 s."""
        self.x.wait_for(f"{label}: Calculate {calculate}, {rows} rows",
                        lambda: self.panel_shown(label, calculate, rows), 10)

    def panel_shown(self, label, calculate, rows):
        shot = self.x.screenshot(label)
        button = [self.at(CMD_CALCULATE, fx, fy)
                  for fx, fy in ((0.1, 0.5), (0.9, 0.5), (0.5, 0.12), (0.5, 0.88))]
        labels = [self.at(chain, 0.95, 0.92) for chain in ROW_LABELS]  # below the caption
        colours = self.x.pixels(shot, button + labels)
        face, marks = colours[:len(button)], colours[len(button):]
        if all(r > 200 and g > 200 and b < 160 for r, g, b in face):
            got = "yellow"
        elif all(abs(r - g) < 24 and abs(g - b) < 24 and 150 < r < 235 for r, g, b in face):
            got = "grey"
        else:
            got = f"unclear {face}"
        if got != calculate:
            raise Failure(f"Calculate should be {calculate}, it is {got} (screenshot {shot})")
        shown = [r < 60 and g > 200 and b > 200 for r, g, b in marks]
        if shown != [i < rows for i in range(4)]:
            raise Failure(f"the dimension panel should show {rows} rows; rows shown: {shown} "
                          f"(screenshot {shot})")
        return True

    # -- steps

    def start_up(self, window_manager=False, calculate="grey"):
        """The splash covers the screen; the main window maps only after 7 s, then has the
        keyboard focus. Calculate is grey on a fresh file; after a chart the panels come back
        as the last chart left them, ready to calculate."""
        launched = self.launched
        splash = self.x.wait_for("the splash window", lambda: self.x.visible_windows(MAIN_TITLE),
                                 30)[0]
        info = self.x.window_info(splash)
        log(f"splash window {splash:#x} mapped at {time.monotonic() - launched:.2f} s: {info}")
        if info is None or (not window_manager and info[:4] != (0, 0, SCREEN_W, SCREEN_H)):
            raise Failure(f"the first window is not the full-screen splash: {info} "
                          f"(screenshot {self.x.screenshot('first-window')})")
        self.x.screenshot("splash")

        def other_window():
            return [w for w in self.x.visible_windows(MAIN_TITLE) if w != splash]
        self.main = self.x.wait_for("the main window", other_window, SPLASH_SECONDS + 20,
                                    interval=0.05)[0]
        shown = time.monotonic() - launched
        log(f"main window {self.main:#x} mapped {shown:.2f} s after the program started")
        if shown < SPLASH_SECONDS:
            raise Failure(f"the main window was visible {shown:.2f} s after start, before the "
                          f"{SPLASH_SECONDS:g} s splash timer (screenshot "
                          f"{self.x.screenshot('main-too-early')})")
        self.x.wait_for("the splash to close",
                        lambda: splash not in self.x.visible_windows(MAIN_TITLE), 5)
        info = self.x.window_info(self.main)
        self.origin = info[:2]
        width, height = info[2:4]
        # The client area holds every panel: the chart options reach 9480 twips across,
        # the heads panel 7235 down.
        if width < px(9480) or height < px(7235):
            raise Failure(f"the main window is {width}x{height}, too small for its panels")
        self.wait_focus(self.main, "the main window")
        self.expect_panel("main-window", calculate, rows=2)
        if calculate == "yellow":
            # The striker plate comes back as the newest chart of the history had it.
            tank = query(self.db, "SELECT Tank FROM ChartHistory ORDER BY Id DESC LIMIT 1")[0][0]
            self.striker = "striker=yes" in tank.split("; ")
            log(f"the panels came back as the last chart left them: {tank}")

    def name_client_and_heading(self):
        """A fresh file names no client: the focus starts in Client Name with its placeholder
        selected, so what is typed first replaces it, and Tab goes on to the customer name.
        Tab goes on from there to the description and the serial number; leaving each field
        writes it."""
        before = job_record(self.db)
        if before is None or before[0] != PLACEHOLDER_CLIENT:
            raise Failure(f"the fresh file does not hold the placeholder client: {before!r}")
        self.expect_selection("first-field", shown=("Client Name", TXT_CLIENT),
                              hidden=[("Customer Name", CUSTOMER_BAND)])
        self.x.type(OFFICE_CLIENT)
        self.x.key("Tab")
        self.wait_record("mrQRTMember", 0, OFFICE_CLIENT)
        if job_record(self.db)[1:] != before[1:]:
            raise Failure(f"the heading changed while the client was named: "
                          f"{job_record(self.db)!r}")
        self.x.type(CUSTOMER)
        self.x.key("Tab")
        self.wait_record("mrCustomer", 1, CUSTOMER)
        self.x.type(TANK_DESC)
        self.x.key("Tab")
        self.wait_record("mrTankDesc", 2, TANK_DESC)
        self.x.type(SERIAL)
        self.x.key("Tab")
        self.wait_record("mrSerialNo", 3, SERIAL)
        log(f"a fresh file starts in the client name; stored: {job_record(self.db)!r}")

    def enter_chart(self, increment, dimensions):
        """Increment by click, then the dimension fields in tab order (leaving the increment
        goes to the first dimension of the panel on screen)."""
        self.x.click(self.at(TXT_INCREMENT))
        self.settle()
        self.x.type(increment)
        for text in dimensions:
            self.x.key("Tab")
            self.x.type(text)

    def chart_window(self):
        return self.x.wait_for("the chart window", lambda: self.x.visible_windows(CHART_TITLE),
                               20)[0]

    def calculate_and_check(self, label, rows, tool_args, definition):
        self.expect_panel(f"{label}-ready", "yellow", rows)
        self.x.click(self.at(CMD_CALCULATE))
        window = self.chart_window()
        self.wait_focus(window, "the chart window")
        self.x.screenshot(f"{label}-chart")
        stored = query(self.db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid")
        expected = expected_chart(self.args.chart, tool_args)
        compare_rows(stored, expected, label)
        log(f"{label}: {len(stored)} rows, equal to dipsheet-chart {' '.join(tool_args)}")
        origin = self.x.window_info(window)[:2]
        self.print_chart(label, origin, definition, expected)
        self.x.click(point(origin, CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        left = query(self.db, "SELECT count(*) FROM Capacity WHERE Depth > 0")[0][0]
        if left:
            raise Failure(f"{label}: {left} chart rows are still in the file after Exit "
                          f"(screenshot {self.x.screenshot(label + '-after-exit')})")
        self.wait_focus(self.main, "the main window after Exit")
        log(f"{label}: Exit closed the chart window and deleted its rows")

    def print_chart(self, label, origin, definition, expected,
                    heading=(CUSTOMER, TANK_DESC, SERIAL), kind="instant", absent=()):
        """Print on the chart window at `origin` writes chart.pdf, which carries the heading
        texts, the definition's units and the chart's last capacity, and none of `absent`."""
        pdf = os.path.join(self.scratch, "chart.pdf")
        if os.path.exists(pdf):
            os.remove(pdf)
        self.x.click(point(origin, CMD_PRINT), kind)
        sizes = []

        def complete():
            if not os.path.exists(pdf):
                return False
            with open(pdf, "rb") as f:
                data = f.read()
            sizes.append(len(data))
            return data.rstrip().endswith(b"%%EOF") and sizes[-2:] == [len(data)] * 2
        self.x.wait_for("chart.pdf from Print", complete, 20)
        text = pdf_text(pdf)
        units = definition_value(definition, "Units")
        decimals = definition_value(definition, "VolumeDecimals")
        last = expected[-1][1]
        if decimals is not None and decimals.isdigit():
            last = f"{float(last):.{int(decimals)}f}"
        wanted = [*heading, units, last]
        missing = [w for w in wanted if w and w not in text]
        if missing:
            raise Failure(f"{label}: the printed chart lacks {missing}; pdftotext gives: "
                          f"{text[:600]}")
        present = [a for a in absent if a in text]
        if present:
            raise Failure(f"{label}: the printed chart still carries {present}; pdftotext "
                          f"gives: {text[:600]}")
        log(f"{label}: Print wrote chart.pdf through {os.path.basename(definition)} "
            f"({sizes[-1]} bytes)")

    def horizontal_cylinder(self):
        # Cylindrical, inches, inside measures and the striker plate are the initial choices.
        self.enter_chart("1", ["48", "96"])
        self.calculate_and_check(
            "cylinder", 2,
            ["--shape", "cyl", "--units", "in", "--striker", "--increment", "1",
             "--diameter", "48", "--length", "96"],
            self.definition("indipsheet.rpt"))

    def rectangular(self):
        self.x.click(self.at(OPT_RECTANGULAR, fx=0.3))
        self.x.click(self.at(OPT_MILLIMETERS, fx=0.3))
        self.unit_switch_offers("millimetres-offered")
        self.enter_chart("100", ["2000", "1000", "1250"])
        self.calculate_and_check(
            "rectangular", 3,
            ["--shape", "rect", "--units", "mm", "--striker", "--increment", "100",
             "--length", "2000", "--width", "1000", "--height", "1250"],
            self.definition("mmdipsheet.rpt"))

    def unit_switch_offers(self, label):
        """A unit switched with figures on screen changes the unit only: no question, the main
        window keeps the keyboard, and the notice bar at its bottom offers the conversion.
        Returns the screen point of the offer's button."""
        def offered():
            png = self.x.screenshot(label)
            left, top, width, height, _ = self.x.window_info(self.main)
            rows = [y for y in range(top + height - 60, top + height)
                    if self.x.pixels(png, [(left + 2, y)])[0] == YELLOW]
            return rows and (left + width - 30, (rows[0] + rows[-1]) // 2)
        button = self.x.wait_for(f"{label}: the offer to convert on the notice bar", offered, 10)
        others = [w for w in self.x.visible_windows(MAIN_TITLE) if w != self.main]
        if others or self.x.focused_window() != self.main:
            raise Failure(f"{label}: a unit switch opened {others} or took the keyboard "
                          f"(screenshot {self.x.screenshot(label + '-box')})")
        return button

    def vertical(self):
        self.x.click(self.at(OPT_VERTICAL, fx=0.3))
        self.x.click(self.at(OPT_OUTSIDE, fx=0.3))
        self.x.click(self.at(CHK_STRIKER, fx=0.3))  # no striker plate on this one
        self.striker = False
        self.enter_chart("50", ["1800", "2400", "8", "6"])
        self.calculate_and_check(
            "vertical", 4,
            ["--shape", "vert", "--units", "mm", "--outside", "--increment", "50",
             "--diameter", "1800", "--height", "2400", "--bottom-thickness", "8",
             "--shell-thickness", "6"],
            self.definition("mmdipsheet.rpt"))

    def next_customer(self):
        """After Exit on the chart window the customer name has the focus, its text selected.
        Tab leaves it, still selected, for the description, which selects its own text: only
        the field with the focus shows a selection. Back by Shift+Tab, what is typed replaces
        the name."""
        self.expect_selection("customer-after-exit", shown=("Customer Name", CUSTOMER_BAND),
                              hidden=[("Client Name", TXT_CLIENT),
                                      ("Tank Description", TXT_TANK_DESC)])
        self.x.key("Tab")
        self.expect_selection("description-entered", shown=("Tank Description", TXT_TANK_DESC),
                              hidden=[("Customer Name", CUSTOMER_BAND),
                                      ("Client Name", TXT_CLIENT)])
        self.x.key("shift+Tab")
        self.settle()
        self.x.type(NEXT_CUSTOMER)
        self.x.key("Tab")
        self.wait_record("mrCustomer", 1, NEXT_CUSTOMER)

    def blank_client_refused(self):
        """A client name typed over the old one is stored; an emptied one is refused with the
        message box, the stored name stays, and the focus comes back to the field."""
        self.x.click(self.at(TXT_CLIENT))
        self.settle()
        self.x.type(CLIENT)
        self.x.key("Tab")
        self.wait_record("mrQRTMember", 0, CLIENT)

        self.x.click(self.at(TXT_CLIENT))
        self.settle()
        self.x.key("ctrl+a", "BackSpace", "Tab")

        def message_box():
            return [w for w in self.x.visible_windows(MAIN_TITLE) if w != self.main]
        box = self.x.wait_for("the message box for a blank client name", message_box, 10)[0]
        shot = self.x.screenshot("blank-client-refused")
        props = self.x.run("xprop", "-id", str(box), "_NET_WM_WINDOW_TYPE", "WM_TRANSIENT_FOR")
        info = self.x.window_info(box)
        log(f"message box {box:#x} {info}: {' '.join(props.split())} (screenshot {shot})")
        if "_NET_WM_WINDOW_TYPE_DIALOG" not in props or f"{self.main:#x}" not in props:
            raise Failure(f"the window titled Dipsheet is not a dialog of the main window: "
                          f"{props.strip()} (screenshot {shot})")
        if info[2] >= SCREEN_W or info[3] >= SCREEN_H // 2:
            raise Failure(f"the window titled Dipsheet is not a message box: {info} "
                          f"(screenshot {shot})")
        self.wait_focus(box, "the message box")
        if job_record(self.db)[0] != CLIENT:
            raise Failure(f"the blank name was written: {job_record(self.db)!r}")
        self.x.key("Return")
        self.x.wait_for("the message box to close", lambda: not message_box(), 10)
        self.wait_focus(self.main, "the main window after the message")
        if job_record(self.db)[0] != CLIENT:
            raise Failure(f"the blank name was written: {job_record(self.db)!r}")
        # The focus is back in the (empty) client field: what is typed now is the name.
        self.x.type(CLIENT_AGAIN)
        self.x.key("Tab")
        self.wait_record("mrQRTMember", 0, CLIENT_AGAIN)
        log("blank client name refused; the name typed next was stored")

    # -- the hand decides where the focus goes: one table of clicks away from a field

    def set_up_cylinder(self):
        """Horizontal cylinder, inches, inside measures, 48 by 96: the tank of the click table."""
        for option in (OPT_HORIZONTAL, OPT_CYLINDRICAL, OPT_INCHES, OPT_INSIDE):
            self.x.click(self.at(option, fx=0.3))
        for field, text in ((TXT_DIAMETER, "48"), (TXT_LENGTH, "96")):
            self.x.click(self.at(field))
            self.settle()
            self.x.type(text)

    def customer_first(self):
        """Once a client is named, the program starts in Customer Name, its text selected."""
        self.expect_selection("named-client-start", shown=("Customer Name", CUSTOMER_BAND),
                              hidden=[("Client Name", TXT_CLIENT)])
        log("a named client: the focus starts in the customer name")

    def type_in(self, chain, text):
        """Into a field by an ordinary click: its whole text is selected, typing replaces it."""
        self.x.click(self.at(chain))
        self.settle()
        self.x.type(text)

    def cylinder_args(self, increment):
        return ["--shape", "cyl", "--units", "in", "--increment", increment,
                "--diameter", "48", "--length", "96"] + (["--striker"] if self.striker else [])

    def expect_chart(self, label, increment):
        """The click opened the chart window with the chart of what is typed now; Exit closes
        it again and the focus is back in the main window."""
        window = self.chart_window()
        stored = query(self.db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid")
        compare_rows(stored, expected_chart(self.args.chart, self.cylinder_args(increment)),
                     label)
        origin = self.x.window_info(window)[:2]
        self.x.click(point(origin, CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        self.wait_focus(self.main, "the main window after Exit")

    def expect_refusal(self, label):
        """A message box, no chart window and no chart rows; Return closes the box."""
        def message_box():
            return [w for w in self.x.visible_windows(MAIN_TITLE) if w != self.main]
        box = self.x.wait_for(f"{label}: the message box", message_box, 10)[0]
        self.wait_focus(box, "the message box")
        if self.x.visible_windows(CHART_TITLE):
            raise Failure(f"{label}: a chart window opened for input that was refused")
        if query(self.db, "SELECT count(*) FROM Capacity WHERE Depth > 0")[0][0]:
            raise Failure(f"{label}: chart rows were written for input that was refused")
        self.x.key("Return")
        self.x.wait_for("the message box to close", lambda: not message_box(), 10)

    def click_table(self, wm):
        """Each row leaves a field by a click on another control, once with a click held as a
        hand holds it and once with an instantaneous one: the clicked control takes the focus
        and acts, and what is typed next lands where the user aimed."""
        self.set_up_cylinder()
        rows = [
            # (leave from, text typed there, click on, then, what must follow)
            ("increment", TXT_INCREMENT, "2", CMD_CALCULATE, None,
             lambda label: self.expect_chart(label, "2")),
            ("increment", TXT_INCREMENT, "3", CHK_STRIKER, "striker",
             lambda label: (self.x.click(self.at(CMD_CALCULATE)), self.expect_chart(label, "3"))),
            ("increment, Length '96 in'", TXT_INCREMENT, "1", CMD_CALCULATE, "length 96 in",
             self.expect_refusal),
            ("increment", TXT_INCREMENT, "4", TXT_CLIENT, "type Bob",
             lambda label: self.wait_record("mrQRTMember", 0, self.typed)),
            ("serial number", TXT_SERIAL, "SN", TXT_TANK_DESC, "type description",
             lambda label: self.wait_record("mrTankDesc", 2, self.typed)),
            ("client name", TXT_CLIENT, "Client", CMD_CALCULATE, None,
             lambda label: (self.wait_record("mrQRTMember", 0, self.typed),
                            self.expect_chart(label, "4"))),
        ]
        for kind in ("hand", "instant"):
            for leave, field, text, target, then, expect in rows:
                label = f"{wm}, {kind} click, from the {leave}"
                self.typed = f"{text} {kind}"
                if then == "length 96 in":
                    self.type_in(TXT_LENGTH, "96 in")
                self.type_in(field, text if field == TXT_INCREMENT else self.typed)
                self.x.click(self.at(target, fx=0.3 if target == CHK_STRIKER else 0.5), kind)
                if then == "striker":
                    self.striker = not self.striker
                elif then == "type Bob":
                    self.typed = f"Bob {kind}"
                    self.x.key("ctrl+a")
                    self.x.type(self.typed)
                    self.x.key("Tab")
                elif then == "type description":
                    self.settle()
                    self.typed = f"Tank {kind}"
                    self.x.type(self.typed)
                    self.x.key("Tab")
                try:
                    expect(label)
                except Failure as failure:
                    raise Failure(f"{label}: {failure} (screenshot "
                                  f"{self.x.screenshot('click-table-failure')})") from None
                if then == "length 96 in":
                    self.type_in(TXT_LENGTH, "96")
                log(f"{label}: as aimed")

    def dished_heads(self):
        """2:1 heads chosen from the drop-down list by a click and the keyboard: the chart is
        the one dipsheet-chart makes for them; flat heads again afterwards."""
        self.x.click(self.at(CBO_HEADS))
        self.settle()
        self.x.key("Down", "Return")
        self.type_in(TXT_INCREMENT, "2")
        self.x.click(self.at(CMD_CALCULATE))
        window = self.chart_window()
        stored = query(self.db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid")
        compare_rows(stored, expected_chart(self.args.chart, self.cylinder_args("2") +
                                            ["--heads", "2:1"]), "2:1 heads")
        origin = self.x.window_info(window)[:2]
        self.x.click(point(origin, CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        self.x.click(self.at(CBO_HEADS))
        self.settle()
        self.x.key("Up", "Return")
        log(f"2:1 heads: {len(stored)} rows, equal to dipsheet-chart --heads 2:1")

    def tilted_tank(self):
        """The tank as it lies: a fall and a dip point typed into the tilt panel give the chart
        dipsheet-chart makes with the same options, value for value, and its printout; blank
        fields make the tank level again."""
        self.type_in(TXT_FALL, "2.5")
        self.type_in(TXT_DIP_AT, "30")
        self.x.click(self.at(CMD_CALCULATE))
        window = self.chart_window()
        expected = expected_chart(self.args.chart, self.cylinder_args("2") +
                                  ["--tilt-fall", "2.5", "--dip-at", "30"])
        compare_rows(query(self.db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid"),
                     expected, "tilted")
        origin = self.x.window_info(window)[:2]
        self.print_chart("tilted", origin, self.definition("indipsheet.rpt"), expected,
                         heading=tuple(job_record(self.db)[1:]))
        self.x.click(point(origin, CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        for field in (TXT_FALL, TXT_DIP_AT):
            self.x.click(self.at(field))
            self.settle()
            self.x.key("ctrl+a", "BackSpace")
        log(f"tilted 2.5 in to B, dip 30 in from A: {len(expected)} rows, equal to "
            f"dipsheet-chart --tilt-fall 2.5 --dip-at 30")

    def copy_save_and_stale_line(self):
        """From the chart window: Ctrl+A and Ctrl+C put every row on the clipboard as a
        spreadsheet pastes it; Ctrl+S saves the chart through the save dialog, which suggests a
        file in the data folder named after the serial number; a changed input turns the line
        under the grid red until it matches the chart again."""
        self.type_in(TXT_INCREMENT, "3")
        self.x.click(self.at(CMD_CALCULATE))
        window = self.chart_window()
        self.wait_focus(window, "the chart window")
        expected = expected_chart(self.args.chart, self.cylinder_args("3"))
        self.x.key("ctrl+a", "ctrl+c")
        copied = self.x.run("xclip", "-o", "-selection", "clipboard").splitlines()
        if copied[0] != "Depth\tCapacity" or len(copied) != len(expected) + 1:
            raise Failure(f"the clipboard holds {len(copied)} lines, {copied[:3]!r}; "
                          f"the chart has {len(expected)} rows")
        self.x.key("ctrl+s")
        dialog = self.x.wait_for("the save dialog",
                                 lambda: self.x.visible_windows("^Save the chart as CSV$"), 10)[0]
        self.wait_focus(dialog, "the save dialog")

        def csv_files():
            return [f for f in os.listdir(self.scratch) if f.endswith(".csv")]
        # The suggested name, in the data folder. A slow (sanitizer) build may still be filling
        # the dialog in when the key arrives: a key that went nowhere is pressed again.
        for _ in range(3):
            self.settle()
            self.x.key("Return")
            try:
                self.x.wait_for("the chart saved as CSV", csv_files, 4)
                break
            except Failure:
                if not self.x.visible_windows("^Save the chart as CSV$"):
                    break  # said below, with what was written
        self.x.wait_for("the save dialog to close",
                        lambda: not self.x.visible_windows("^Save the chart as CSV$"), 10)
        saved = csv_files()
        if len(saved) != 1 or not saved[0].startswith(job_record(self.db)[3]):
            raise Failure(f"the save dialog wrote {saved}")
        with open(os.path.join(self.scratch, saved[0]), encoding="utf-8") as f:
            lines = f.read().split()
        if lines != ["Depth,Capacity"] + [",".join(row) for row in expected]:
            raise Failure(f"{saved[0]} holds {lines[:3]}, not the chart of dipsheet-chart")

        origin = self.x.window_info(window)[:2]
        left, top, width, height = self.x.window_info(window)[:4]
        # The set-up line runs across the foot of the window, over the notice bar when one is
        # shown: its colour is the first blue or red up from the bottom, right of its text.
        column = [(left + width * 98 // 100, y) for y in range(top + height - 1, top, -1)]

        def line_colour():
            for rgb in self.x.pixels(self.x.screenshot("setup-line"), column):
                if rgb in ((0, 0, 255), (255, 0, 0)):
                    return rgb
            return None
        if line_colour() != (0, 0, 255):
            raise Failure(f"the set-up line is {line_colour()}, not blue")
        self.x.click(self.at(CHK_STRIKER, fx=0.3))
        self.x.wait_for("the set-up line to turn red", lambda: line_colour() == (255, 0, 0), 10)
        self.x.click(self.at(CHK_STRIKER, fx=0.3))
        self.x.wait_for("the set-up line to turn blue", lambda: line_colour() == (0, 0, 255), 10)
        self.x.click(point(origin, CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        log(f"copy: {len(copied) - 1} rows; Ctrl+S wrote {saved[0]}; the set-up line turned red "
            "and back")

    def title_bar(self, wid, fx):
        """A point on the title bar the window manager puts above the window, `fx` of its width
        from the left."""
        extents = self.x.run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS").partition("=")[2]
        top = [int(n) for n in re.findall(r"\d+", extents)][2]
        x, y, width = self.x.window_info(wid)[:3]
        return x + int(width * fx), y - top + top // 2

    def side_by_side(self, chart):
        """A double click on each title bar gives the maximised chart and main windows their
        own sizes: the chart goes to the right edge of the screen, clear of the main window's
        fields, and the main window comes up over what is left."""
        def own_size(wid, what):
            self.x.wait_for(f"the {what} to take its own size",
                            lambda: self.x.window_info(wid)[2] < SCREEN_W, 10)
        self.x.double_click(self.title_bar(chart, 0.5))
        own_size(chart, "chart window")
        chart_left = self.x.window_info(chart)[0]
        main_width = self.x.window_info(self.main)[2]
        self.x.double_click(self.title_bar(self.main, chart_left / 2 / main_width))
        own_size(self.main, "main window")
        self.wait_focus(self.main, "the main window after a double click on its title")
        self.origin = self.x.window_info(self.main)[:2]

    def correct_customer_then_print(self, wm, window_manager=False):
        """With a chart on show, the user goes back to the main window, corrects the customer
        name by a click and typing, and goes straight to Print in the chart window with a held
        click: the page carries the name the main window shows and the file holds it. Under a
        window manager both windows are maximised, so the user first gives each its own size
        to have them side by side."""
        corrected = CORRECTED_CUSTOMER[wm]
        label = f"{wm}, corrected customer"
        slug = "corrected-" + wm.replace(" ", "-")
        old = job_record(self.db)[1]
        self.type_in(TXT_INCREMENT, "6")
        self.x.click(self.at(CMD_CALCULATE))
        window = self.chart_window()
        self.wait_focus(window, "the chart window")
        expected = expected_chart(self.args.chart, self.cylinder_args("6"))
        if window_manager:
            self.side_by_side(window)
        info = self.x.window_info(window)
        field = self.customer_field(self.x.screenshot(f"{slug}-chart"))
        into = (field[0] + field[2] // 2, field[1] + field[3] // 2)
        if info[0] <= into[0] < info[0] + info[2] and info[1] <= into[1] < info[1] + info[3]:
            raise Failure(f"{label}: the chart window {info[:4]} covers the Customer Name field "
                          f"{field} (screenshot {self.x.screenshot(slug + '-covered')})")
        self.x.click(into, "hand")
        self.wait_focus(self.main, "the main window after a click on Customer Name")
        self.settle()
        self.x.type(corrected)
        self.x.screenshot(f"{slug}-typed")
        try:
            self.print_chart(label, info[:2], self.definition("indipsheet.rpt"), expected,
                             heading=(corrected,), kind="hand", absent=(old,))
            self.wait_record("mrCustomer", 1, corrected)
        except Failure as failure:
            raise Failure(f"{failure} (screenshot {self.x.screenshot(slug + '-failure')})") \
                from None
        self.x.screenshot(f"{slug}-printed")
        self.x.click(point(info[:2], CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        if self.app.poll() is not None or self.main not in self.x.visible_windows(MAIN_TITLE):
            raise Failure(f"{label}: the main window is gone after Print and Exit "
                          f"(screenshot {self.x.screenshot(slug + '-gone')})")
        log(f"{label}: Print carried {corrected!r} in place of {old!r}, and the file holds it")

    def chart_from_history(self):
        """Ctrl+H opens Past Charts with the focus in its search; part of the serial number and
        a word of the first customer, typed in lower case, leave that customer's charts, newest
        first; Down twice and Enter load the oldest, the first chart of the day, and the chart
        window shows its rows."""
        self.x.key("ctrl+h")
        history = self.x.wait_for("the Past Charts window",
                                  lambda: self.x.visible_windows("^Past Charts$"), 20)[0]
        self.wait_focus(history, "the Past Charts window")
        self.x.type(SERIAL[3:7].lower() + " " + CUSTOMER.split()[0].lower())
        time.sleep(0.5)
        self.x.screenshot("past-charts")
        self.x.key("Down", "Down", "Return")
        window = self.chart_window()
        expected = expected_chart(self.args.chart, [
            "--shape", "cyl", "--units", "in", "--striker", "--increment", "1",
            "--diameter", "48", "--length", "96"])

        def rows_shown():
            return query(self.db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid")
        self.x.wait_for("the first chart's rows", lambda: len(rows_shown()) == len(expected), 10)
        compare_rows(rows_shown(), expected, "chart from history")
        if job_record(self.db)[1] != CUSTOMER:
            raise Failure(f"the loaded chart's customer is not in the job: {job_record(self.db)}")
        self.x.screenshot("chart-from-history")
        origin = self.x.window_info(window)[:2]
        self.x.click(point(origin, CMD_EXIT_CHART))
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(CHART_TITLE), 10)
        log("Past Charts: the first chart of the day found by serial and customer, loaded by "
            "the keyboard")

    def exit_program(self):
        self.x.click(self.at(CMD_EXIT_MAIN))
        try:
            status = self.app.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise Failure("the program is still running 10 s after Exit") from None
        if status != 0:
            raise Failure(f"the program ended with status {status} after Exit")
        log("Exit ended the program")

    def definition(self, name):
        return os.path.join(self.scratch, name)


def check_tools():
    missing = [t for t in TOOLS + ("sqlite3",) if shutil.which(t) is None]
    if missing:
        raise Failure(f"missing tools: {', '.join(missing)} (scripts/deps installs them)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dipsheet", required=True, help="the built desktop program")
    parser.add_argument("--chart", required=True, help="the built dipsheet-chart")
    parser.add_argument("--schema", required=True, help="data/QRTMembers.sql")
    parser.add_argument("--definitions", nargs="+", required=True, help="data/*.rpt")
    parser.add_argument("--artifacts", required=True,
                        help="folder for screenshots and, on failure, the database and log")
    args = parser.parse_args()

    # SIGTERM (a test runner's timeout) unwinds like an error, so the cleanup runs.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated by SIGTERM"))

    shutil.rmtree(args.artifacts, ignore_errors=True)
    os.makedirs(args.artifacts)
    processes = Processes()
    scratch = None
    display = None
    app_log = os.path.join(args.artifacts, "dipsheet.log")
    try:
        check_tools()
        scratch, db_path = make_scratch(args.schema, args.definitions)
        log(f"scratch folder {scratch}")
        number = start_xvfb(processes, os.path.join(args.artifacts, "xvfb.log"))
        display = Display(number, args.artifacts, None)
        log(f"Xvfb on :{number}")

        env = program_env(display, scratch)

        def start_program():
            # Taken before the start, so the time until the main window shows can only be
            # overstated, never understated.
            launched = time.monotonic()
            with open(app_log, "ab") as out:
                app = processes.start("dipsheet", [os.path.abspath(args.dipsheet)],
                                      cwd=scratch, env=env, stdout=out, stderr=subprocess.STDOUT)
            log(f"dipsheet started (pid {app.pid})")
            display.app = app
            return Session(args, scratch, db_path, display, app, launched)

        # Without a window manager: a whole day's work, then the table of clicks.
        session = start_program()
        session.start_up()
        session.name_client_and_heading()
        session.horizontal_cylinder()
        session.rectangular()
        session.vertical()
        session.next_customer()
        session.blank_client_refused()
        session.click_table("no window manager")
        session.dished_heads()
        session.tilted_tank()
        session.copy_save_and_stale_line()
        session.correct_customer_then_print("no window manager")
        session.exit_program()

        # Under a window manager, which frames, places and focuses the windows itself. The
        # places the windows were left in without one mean nothing there: an office has one or
        # the other.
        display.app = None
        forget_window_places(scratch)
        start_openbox(processes, display, os.path.join(args.artifacts, "openbox.log"))
        session = start_program()
        session.start_up(window_manager=True, calculate="yellow")
        session.customer_first()
        session.click_table("openbox")
        session.correct_customer_then_print("openbox", window_manager=True)
        session.chart_from_history()
        session.exit_program()
        log(f"passed in {time.monotonic() - T0:.1f} s; screenshots in {args.artifacts}")
        return 0
    except (Failure, subprocess.SubprocessError, OSError, sqlite3.Error) as error:
        print(f"FAILED: {error}", flush=True)
        if display is not None:
            try:
                print(f"screenshot at failure: {display.screenshot('failure')}", flush=True)
            except (Failure, subprocess.SubprocessError, OSError) as shot_error:
                print(f"no screenshot: {shot_error}", flush=True)
        if scratch is not None and os.path.exists(os.path.join(scratch, "QRTMembers.mdb")):
            kept = os.path.join(args.artifacts, "QRTMembers.mdb")
            shutil.copy(os.path.join(scratch, "QRTMembers.mdb"), kept)
            print(f"database kept at {kept}", flush=True)
        if os.path.exists(app_log):
            with open(app_log, errors="replace") as f:
                output = f.read().strip()
            print(f"dipsheet output ({app_log}):\n{output or '(none)'}", flush=True)
        return 1
    finally:
        processes.stop_all()
        if scratch is not None:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
