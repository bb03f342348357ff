#!/usr/bin/env python3
"""Real-window scenarios of the desktop program, one function each.

Every scenario starts its own `dipsheet` in a scratch folder of its own on one Xvfb display,
acts as a person with xdotool and checks what the program did; the scenarios run without a
window manager, then again under openbox. The machinery is e2e_desktop's (Xvfb, the processes
stopped by id, the display, the scratch folder, the database read with SQL).

To add a scenario: write `def name(desk, wm):` that makes its folder with `desk.scratch()`,
starts the program with `desk.start(folder, label)` and raises e2e.Failure on what it finds
wrong; then list it in SCENARIOS.

Scenarios:
  fatal_message_left_open  a damaged job file: the fatal message stays on screen 20 s, then
                           OK ends the program with status 1, with no crash and no window.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_desktop as e2e  # noqa: E402

from e2e_desktop import Failure, log  # noqa: E402

TOOLS = ("Xvfb", "xdotool", "xwininfo", "xprop", "import", "openbox", "sqlite3")
SETTINGS = ("no window manager", "openbox")
TITLE = "^Dipsheet$"  # the splash, the main window and every message box


class Desk:
    """What the scenarios share: the arguments, the display and the processes; it starts
    each scenario's program in its own scratch folder and removes the folders at the end."""

    def __init__(self, args, processes, display):
        self.args = args
        self.processes = processes
        self.x = display
        self.folders = []
        self.logs = []

    def scratch(self):
        """A scratch folder with a fresh job file and the report definitions; returns the
        folder and the job file's path."""
        folder, db_path = e2e.make_scratch(self.args.schema, self.args.definitions)
        self.folders.append(folder)
        log(f"scratch folder {folder}")
        return folder, db_path

    def start(self, folder, label):
        """Starts the program in `folder`; its output goes to <label>.log in the artifacts."""
        out_path = os.path.join(self.args.artifacts, f"{label}.log")
        self.logs.append(out_path)
        with open(out_path, "ab") as out:
            app = self.processes.start("dipsheet", [os.path.abspath(self.args.dipsheet)],
                                       cwd=folder, env=e2e.program_env(self.x, folder),
                                       stdout=out, stderr=subprocess.STDOUT)
        log(f"dipsheet started (pid {app.pid}) in {folder}")
        self.x.app = app
        return app

    def windows(self):
        """The program's mapped top-level windows: id and (x, y, width, height)."""
        found = []
        for wid in self.x.visible_windows(TITLE):
            info = self.x.window_info(wid)
            if info is not None and info[4]:
                found.append((wid, info[:4]))
        return found

    def end_programs(self):
        """Ends whatever program a scenario left running, by its own process handle."""
        for name, proc in self.processes.started:
            if name == "dipsheet" and proc.poll() is None:
                proc.kill()
                proc.wait(timeout=5)
                log(f"stopped dipsheet (pid {proc.pid})")
        self.x.app = None

    def remove_folders(self):
        for folder in self.folders:
            shutil.rmtree(folder, ignore_errors=True)
        self.folders.clear()


def status_text(status):
    return f"killed by signal {-status}" if status < 0 else f"status {status}"


# ---- Scenarios

def fatal_message_left_open(desk, wm):
    """A job file that is no database (a file of text by its name): the program says so in
    its one fatal message before any window of its own. The user leaves the message open
    well past the splash's 7 s (the program must neither crash nor show the splash or the main
    window meanwhile), then presses OK: by the keyboard without a window manager, by a click
    held as a hand holds it under one. The program ends with status 1 and the file is as it
    was."""
    folder, db_path = desk.scratch()
    damaged = b"Not a database: the office's notes were saved over the job file.\n"
    with open(db_path, "wb") as f:
        f.write(damaged)
    slug = wm.replace(" ", "-")
    app = desk.start(folder, f"fatal-{slug}")

    box = desk.x.wait_for("the fatal message", desk.windows, 30)
    wid, (left, top, width, height) = box[0]
    log(f"message {wid:#x} at {left},{top} {width}x{height}")
    if len(box) != 1 or width >= e2e.SCREEN_W // 2 or height >= e2e.SCREEN_H // 2:
        raise Failure(f"expected the message box alone, found {box} "
                      f"(screenshot {desk.x.screenshot('not-the-message')})")
    desk.x.screenshot(f"fatal-message-{slug}")

    # Left open 20 s: the program waits on the message, with no other window.
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        if app.poll() is not None:
            raise Failure(f"the program ended ({status_text(app.returncode)}) while its fatal "
                          f"message was open")
        shown = desk.windows()
        if [w for w, _ in shown] != [wid]:
            raise Failure(f"while the message was open the program showed {shown} "
                          f"(screenshot {desk.x.screenshot('window-behind-message')})")
        time.sleep(0.5)
    desk.x.screenshot(f"fatal-message-after-20s-{slug}")

    if wm == "openbox":
        # OK is the box's only button, at its bottom right.
        left, top, width, height = desk.windows()[0][1]
        desk.x.click((left + width - 52, top + height - 24), kind="hand")
    else:
        desk.x.key("Return")
    desk.x.app = None
    try:
        status = app.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure(f"the program still runs 10 s after OK on its fatal message "
                      f"(screenshot {desk.x.screenshot('still-running')})") from None
    if status != 1:
        raise Failure(f"the program ended with {status_text(status)} after OK on its fatal "
                      f"message, not status 1")
    with open(db_path, "rb") as f:
        if f.read() != damaged:
            raise Failure("the damaged job file was changed")
    if os.path.exists(db_path + "-journal"):
        raise Failure("the program left a journal beside the damaged job file")
    log(f"OK ended the program with status 1 ({wm})")


SCENARIOS = (fatal_message_left_open,)


def report_failure(desk, name, error):
    print(f"FAILED {name}: {error}", flush=True)
    try:
        print(f"screenshot at failure: {desk.x.screenshot('failure')}", flush=True)
    except (Failure, subprocess.SubprocessError, OSError) as shot_error:
        print(f"no screenshot: {shot_error}", flush=True)
    for path in desk.logs[-1:]:
        with open(path, errors="replace") as f:
            print(f"dipsheet output ({path}):\n{f.read().strip() or '(none)'}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dipsheet", required=True, help="the built desktop program")
    parser.add_argument("--chart", required=True, help="the built dipsheet-chart")
    parser.add_argument("--schema", required=True, help="data/QRTMembers.sql")
    parser.add_argument("--definitions", nargs="+", required=True, help="data/*.rpt")
    parser.add_argument("--artifacts", required=True,
                        help="folder for screenshots and the program's output")
    parser.add_argument("--only", action="append", default=[], metavar="SCENARIO",
                        help="run this scenario only (a function's name); may be repeated")
    args = parser.parse_args()

    # SIGTERM (a test runner's timeout) unwinds like an error, so the cleanup runs.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated by SIGTERM"))

    scenarios = [s for s in SCENARIOS if not args.only or s.__name__ in args.only]
    if not scenarios:
        print(f"no scenario named {', '.join(args.only)}", flush=True)
        return 1
    shutil.rmtree(args.artifacts, ignore_errors=True)
    os.makedirs(args.artifacts)
    processes = e2e.Processes()
    desk = None
    passed = failed = 0
    try:
        missing = [t for t in TOOLS if shutil.which(t) is None]
        if missing:
            raise Failure(f"missing tools: {', '.join(missing)} (scripts/deps installs them)")
        number = e2e.start_xvfb(processes, os.path.join(args.artifacts, "xvfb.log"))
        log(f"Xvfb on :{number}")
        desk = Desk(args, processes, e2e.Display(number, args.artifacts, None))
        for wm in SETTINGS:
            if wm == "openbox":
                e2e.start_openbox(processes, desk.x, os.path.join(args.artifacts, "openbox.log"))
            for scenario in scenarios:
                name = f"{scenario.__name__} ({wm})"
                log(f"---- {name}")
                try:
                    scenario(desk, wm)
                    passed += 1
                except (Failure, subprocess.SubprocessError, OSError) as error:
                    failed += 1
                    report_failure(desk, name, error)
                finally:
                    # The next scenario starts on a screen without this one's program.
                    desk.end_programs()
                    desk.remove_folders()
    except (Failure, subprocess.SubprocessError, OSError) as error:
        print(f"FAILED: {error}", flush=True)
        failed += 1
    finally:
        processes.stop_all()
        if desk is not None:
            desk.remove_folders()
    print(f"{passed} passed, {failed} failed", flush=True)
    log(f"screenshots in {args.artifacts}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
