#!/usr/bin/env python3
"""End-to-end test of the job file in a real X server: one program to a data folder, and
typing that outlives a busy file.

Each scenario starts the built `dipsheet` in a scratch folder of its own, in one Xvfb of its
own, and acts as a person with xdotool, the way e2e_desktop.py does (its helpers are used
here):

- a second copy started on a held folder says so in one message box, brings the first one's
  window to the front and ends with status 1; `dipsheet-chart --store` is refused on that
  folder; a lock left by a killed copy does not stop the next start (without a window
  manager, and the two copies again under openbox);
- a heading typed while another program holds the job file lands key by key, with a yellow
  notice at the bottom of the main window and no message, and reaches the file on its own
  once the file is free;
- a heading typed in a busy spell goes with the chart Calculate makes as soon as the file is
  free, into its history row;
- a chart loaded from Past Charts adds no history row; changed and calculated, it adds one;
- a damaged job file, at start-up and met mid-run: the one fatal message stays on screen 20 s
  with no other window, then OK ends the program with status 1, the file at start-up as it
  was (without a window manager, and again under openbox).

Python 3 standard library only, and the tools e2e_desktop.py needs.
"""

import argparse
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_desktop as e2e  # noqa: E402
from e2e_desktop import Failure, log, query, job_record  # noqa: E402
from e2e_desktop import OFFICE_CLIENT as CLIENT, CUSTOMER, TANK_DESC, SERIAL  # noqa: E402

# The heading on file when a scenario starts; the person types CUSTOMER, TANK_DESC, SERIAL.
OLD_HEADING = ("Old Mill Garage", "Kerosene tank 1", "SN-0001")
PACE_MS = "240"  # xdotool's delay: about 8 keys a second, a quick typist
YELLOW = (255, 255, 0)
NOTICE_SECONDS = 5  # a freed file takes what is pending at the next retry, every 2 s


class Held:
    """Another program holding the job file: a write transaction left open."""

    def __init__(self, db):
        self.con = sqlite3.connect(db, timeout=5, isolation_level=None)
        self.con.execute("BEGIN EXCLUSIVE")
        self.con.execute("UPDATE mrQRT SET mrSerialNo = mrSerialNo")

    def release(self):
        self.con.execute("ROLLBACK")
        self.con.close()


class Job:
    def __init__(self, args, processes, display):
        self.args = args
        self.procs = processes
        self.x = display
        self.wm = False
        self.apps = []  # the programs the scenario on hand started
        self.scratches = []
        self.log = os.path.join(args.artifacts, "dipsheet.log")

    # -- helpers

    def scratch(self, customer=OLD_HEADING[0]):
        """A fresh folder whose job names the client and an old heading: the program starts
        in Customer Name."""
        scratch, db = e2e.make_scratch(self.args.schema, self.args.definitions)
        self.scratches.append(scratch)
        con = sqlite3.connect(db)
        with con:
            con.execute("UPDATE mrQRT SET mrQRTMember = ?, mrCustomer = ?, mrTankDesc = ?, "
                        "mrSerialNo = ?", (CLIENT, customer, *OLD_HEADING[1:]))
        con.close()
        return scratch, db

    def launch(self, scratch):
        # TMPDIR: the copies of one folder meet at a socket there, gone with the folder.
        env = dict(e2e.program_env(self.x, scratch), TMPDIR=scratch)
        with open(self.log, "ab") as out:
            app = self.procs.start("dipsheet", [os.path.abspath(self.args.dipsheet)], cwd=scratch,
                                   env=env, stdout=out, stderr=subprocess.STDOUT)
        self.apps.append(app)
        log(f"dipsheet started in {scratch} (pid {app.pid})")
        return app

    def open_job(self, scratch, db):
        """The program started and past its splash, its main window active."""
        launched = time.monotonic()
        app = self.launch(scratch)
        self.x.app = app
        session = e2e.Session(self.args, scratch, db, self.x, app, launched)
        session.start_up(window_manager=self.wm)
        return session

    def stop_programs(self):
        self.x.app = None
        for app in self.apps:
            if app.poll() is None:
                app.terminate()
                app.wait(timeout=10)
        self.apps.clear()

    def windows_of(self, pid):
        out = self.x.run("xdotool", "search", "--onlyvisible", "--pid", str(pid), check=False)
        return [int(w) for w in out.split()]

    def notice_shown(self, session, label):
        """From a screenshot: whether the main window shows the yellow notice bar at its
        bottom, at both ends of the bar (outside its text)."""
        png = self.x.screenshot(label)
        left, top, width, height, _ = self.x.window_info(session.main)
        ends = [(left + 1, top + height - 2), (left + width - 2, top + height - 2)]
        return all(rgb == YELLOW for rgb in self.x.pixels(png, ends)), png

    def type_slowly(self, text):
        self.x.run("xdotool", "type", "--delay", PACE_MS, "--", text)

    def heading_on_file(self, db, want, what):
        """mrQRT holds the heading `want` within NOTICE_SECONDS, no key pressed."""
        try:
            self.x.wait_for(what, lambda: job_record(db) == (CLIENT, *want), NOTICE_SECONDS)
        except Failure as failure:
            raise Failure(f"{failure}; the file holds {job_record(db)!r}") from None

    def chart_count(self, db):
        return query(db, "SELECT count(*) FROM ChartHistory")[0][0]

    # -- scenarios

    def two_copies(self):
        """A second copy on a held folder: one message box of its own, no window of its own
        besides, status 1 once it is answered; the first copy's main window comes forward over
        its Past Charts and takes what is typed next. The command line is refused on the
        folder and leaves the file as it was. Without a window manager, the first copy is then
        killed: the lock it left does not stop the next start."""
        wm = "openbox" if self.wm else "no window manager"
        scratch, db = self.scratch()
        first = self.open_job(scratch, db)
        self.x.key("ctrl+h")
        history = self.x.wait_for("the Past Charts window",
                                  lambda: self.x.visible_windows("^Past Charts$"), 20)[0]
        first.wait_focus(history, "Past Charts, over the main window")

        second = self.launch(scratch)
        seen = set()

        def second_windows():
            if second.poll() is not None:
                raise Failure(f"{wm}: the second copy ended (status {second.returncode}) "
                              "without a message")
            seen.update(self.windows_of(second.pid))
            return seen
        box = next(iter(self.x.wait_for("the second copy's message box", second_windows, 20)))
        shot = self.x.screenshot(f"second-copy-{wm.replace(' ', '-')}")
        left, top, width, height, _ = self.x.window_info(box)
        title = self.x.run("xdotool", "getwindowname", str(box)).strip()
        if title != "Dipsheet" or width >= e2e.SCREEN_W // 2 or height >= e2e.SCREEN_H // 4:
            raise Failure(f"{wm}: the second copy's window {title!r} {width}x{height} is not "
                          f"a message box (screenshot {shot})")
        if self.wm:
            self.x.key("Return")
        else:
            # Its only button, OK, is what stands out from the box's face in its lower part.
            lower = (left, top + height * 3 // 5, width, height * 2 // 5)
            area = self.x.area(shot, lower)
            face = area[(left + 2, top + height - 3)]
            button = [xy for xy, rgb in area.items()
                      if max(abs(a - b) for a, b in zip(rgb, face)) > 40]
            xs, ys = [x for x, _ in button], [y for _, y in button]
            self.x.click(((min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2), "hand")
        deadline = time.monotonic() + 10
        while second.poll() is None and time.monotonic() < deadline:
            seen.update(self.windows_of(second.pid))
            time.sleep(0.05)
        if second.poll() != 1:
            raise Failure(f"{wm}: the second copy's status after OK is {second.poll()}, not 1 "
                          f"(screenshot {self.x.screenshot('second-copy-after-ok')})")
        if seen != {box}:
            raise Failure(f"{wm}: the second copy showed windows {sorted(seen)} besides its "
                          f"message box {box}")
        if first.app.poll() is not None or first.main not in self.x.visible_windows(e2e.MAIN_TITLE):
            raise Failure(f"{wm}: the first copy's main window is gone after the second start")
        log(f"{wm}: the second copy said so in one box and ended with 1")
        # Said at the end, so that what follows is checked all the same.
        forward = None
        try:
            first.wait_focus(first.main, "the first copy's main window after OK")
            self.type_slowly(CUSTOMER)
            self.x.key("Tab")
            first.wait_record("mrCustomer", 1, CUSTOMER)
            log(f"{wm}: the first copy came forward and took the typing")
        except Failure as failure:
            forward = Failure(f"{wm}: {failure} (screenshot "
                              f"{self.x.screenshot('first-not-forward')})")

        with open(db, "rb") as f:
            before = f.read()
        refused = subprocess.run(
            [self.args.chart, "--shape", "cyl", "--units", "in", "--increment", "1",
             "--diameter", "48", "--length", "96", "--store"],
            cwd=scratch, capture_output=True, text=True, timeout=60)
        with open(db, "rb") as f:
            after = f.read()
        if (refused.returncode != 1 or "already open" not in refused.stderr
                or f"process {first.app.pid} " not in refused.stderr or after != before):
            raise Failure(f"{wm}: dipsheet-chart --store on the held folder: status "
                          f"{refused.returncode}, {refused.stderr.strip()!r}, the file "
                          f"{'unchanged' if after == before else 'changed'}")
        log(f"{wm}: dipsheet-chart --store refused: {refused.stderr.strip()}")
        if not self.wm:
            first.app.send_signal(signal.SIGKILL)
            first.app.wait(timeout=10)
            self.x.app = None
            if not os.path.exists(os.path.join(scratch, "dipsheet.lock")):
                raise Failure("the killed copy left no lock behind: nothing to step over")
            self.open_job(scratch, db)
            log("a lock left by a killed copy did not stop the next start")
        if forward:
            raise forward

    def typed_through_busy_spell(self):
        """While another program holds the job file, a heading typed at a person's pace lands
        key by key: the notice bar shows while the typing goes on, nothing else opens and the
        keyboard stays in the main window. Freed, the file takes the whole heading, the serial
        number never left included, with no key pressed, and the notice goes."""
        scratch, db = self.scratch(customer="")  # a new customer: the click finds it empty
        session = self.open_job(scratch, db)
        held = Held(db)
        try:
            left, top, width, height = session.customer_field(self.x.screenshot("customer"))
            self.x.click((left + width // 2, top + height // 2), "hand")
            session.settle()
            self.type_slowly(CUSTOMER)
            self.x.key("Tab")
            typing = subprocess.Popen(["xdotool", "type", "--delay", PACE_MS, "--", TANK_DESC],
                                      env=self.x.env)
            shots = []

            def shown():
                seen, png = self.notice_shown(session, "busy-typing")
                shots.append(png)
                if typing.poll() is not None:
                    raise Failure(f"no notice bar while the description was typed (screenshot "
                                  f"{png})")
                return seen
            self.x.wait_for("the notice bar", shown, 10)
            others = [w for w in self.windows_of(session.app.pid) if w != session.main]
            if others or self.x.focused_window() != session.main:
                raise Failure(f"a busy file opened windows {others} or took the keyboard "
                              f"(focus {self.x.focused_window()}) (screenshot {shots[-1]})")
            typing.wait(timeout=30)
            self.x.key("Tab")
            self.type_slowly(SERIAL)
            # Read back from the field, through the clipboard: every key has been taken.
            self.x.key("ctrl+a", "ctrl+c")
            shown = []

            def copied():
                shown.append(self.x.run("xclip", "-o", "-selection", "clipboard", check=False))
                return shown[-1] == SERIAL
            try:
                self.x.wait_for("the serial number copied", copied, 5)
            except Failure:
                raise Failure(f"the serial number field holds {shown[-1]!r}, not {SERIAL!r}") \
                    from None
        finally:
            held.release()
        self.heading_on_file(db, (CUSTOMER, TANK_DESC, SERIAL), "the heading typed while busy")
        self.x.wait_for("the notice bar to go",
                        lambda: not self.notice_shown(session, "freed")[0], NOTICE_SECONDS)
        log("a heading typed through a busy spell landed whole, the notice shown and gone")

    def busy_then_calculate(self):
        """Description, serial number and tank typed while the file is held; Calculate the
        moment it is freed stores the chart with the heading on screen: its history row and
        the job carry what was typed."""
        scratch, db = self.scratch()
        session = self.open_job(scratch, db)
        held = Held(db)
        try:
            session.type_in(e2e.TXT_TANK_DESC, TANK_DESC)
            self.x.key("Tab")
            self.type_slowly(SERIAL)
            session.enter_chart("1", ["48", "96"])
            shown, png = self.notice_shown(session, "busy-before-calculate")
            if not shown:
                raise Failure(f"no notice bar for the heading left in a busy spell ({png})")
        finally:
            held.release()
        self.x.click(session.at(e2e.CMD_CALCULATE), "hand")
        session.chart_window()
        want = (OLD_HEADING[0], TANK_DESC, SERIAL)
        row = query(db, "SELECT Customer, TankDesc, SerialNo FROM ChartHistory "
                        "ORDER BY Id DESC LIMIT 1")
        if row != [want]:
            raise Failure(f"the chart's history row carries {row}, not the heading typed {want}")
        self.heading_on_file(db, want, "the heading stored with the chart")
        log("Calculate after a busy spell stored the heading typed with its chart")

    def load_adds_no_row(self):
        """A chart found in Past Charts by part of its serial number and loaded with Enter is
        put back and shown, its rows those of the chart as it was made, with no history row
        added; the tank changed and calculated again adds one."""
        scratch, db = self.scratch()
        session = self.open_job(scratch, db)
        session.enter_chart("1", ["48", "96"])
        self.x.click(session.at(e2e.CMD_CALCULATE))
        window = session.chart_window()
        self.x.wait_for("the chart's history row", lambda: self.chart_count(db) == 1, 10)
        self.x.click(e2e.point(self.x.window_info(window)[:2], e2e.CMD_EXIT_CHART), "hand")
        session.wait_focus(session.main, "the main window after Exit")
        session.type_in(e2e.TXT_INCREMENT, "3")  # on screen, not calculated
        self.x.key("ctrl+h")
        history = self.x.wait_for("the Past Charts window",
                                  lambda: self.x.visible_windows("^Past Charts$"), 20)[0]
        session.wait_focus(history, "the Past Charts window")
        self.type_slowly(OLD_HEADING[2][3:])
        time.sleep(0.5)
        self.x.key("Return")
        session.chart_window()
        expected = e2e.expected_chart(self.args.chart, session.cylinder_args("1"))
        e2e.compare_rows(query(db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid"),
                         expected, "loaded chart")
        if self.chart_count(db) != 1:
            raise Failure(f"Load added a history row: {self.chart_count(db)} rows "
                          f"(screenshot {self.x.screenshot('load-history-row')})")
        session.type_in(e2e.TXT_INCREMENT, "2")
        self.x.click(session.at(e2e.CMD_CALCULATE))
        self.x.wait_for("a history row for the changed tank", lambda: self.chart_count(db) == 2,
                        10)
        log("Load showed the chart again without a history row; a changed tank added one")

    def fatal_message_left_open(self):
        """A job file that is no database (a file of text by its name): the program says so in
        its one fatal message before any window of its own. Then a file damaged while the
        program runs (table mrQRT renamed from outside): a serial number typed and Tab, and the
        same one message comes over the main window. The user leaves each message open well
        past the splash's 7 s (the program must neither end nor show another window
        meanwhile), then presses OK: by the keyboard without a window manager, by a click held
        as a hand holds it under one. The program ends with status 1; the file at start-up is
        left as it was, with no journal beside it."""
        scratch, db = self.scratch()
        damaged = b"Not a database: the office's notes were saved over the job file.\n"
        with open(db, "wb") as f:
            f.write(damaged)
        app = self.x.app = self.launch(scratch)
        self.message_left_open(app, [], "at start-up")
        with open(db, "rb") as f:
            kept = f.read() == damaged
        journal = os.path.exists(db + "-journal")
        if not kept or journal:
            raise Failure(f"after OK on its fatal message: the job file "
                          f"{'as it was' if kept else 'changed'}, "
                          f"{'a' if journal else 'no'} journal beside it")

        scratch, db = self.scratch()
        session = self.open_job(scratch, db)
        session.type_in(e2e.TXT_SERIAL, "SN-")
        con = sqlite3.connect(db)
        con.execute("ALTER TABLE mrQRT RENAME TO mrQRT_gone")
        con.commit()
        con.close()
        self.x.type("9")
        self.x.key("Tab")
        self.message_left_open(session.app, [session.main], "mid-run")

    def message_left_open(self, app, windows, when):
        """The program's one fatal message beside `windows`, left open 20 s, then OK: the
        program ends with status 1."""
        def box():
            return [w for w in self.x.visible_windows(e2e.MAIN_TITLE) if w not in windows]
        shown = self.x.wait_for(f"the fatal message {when}", box, 30)
        left, top, width, height, _ = self.x.window_info(shown[0])
        shot = self.x.screenshot(f"fatal-message-{when}")
        if len(shown) != 1 or width >= e2e.SCREEN_W // 2 or height >= e2e.SCREEN_H // 2:
            raise Failure(f"{when}: expected one message box, found {shown}, the first {width}x"
                          f"{height} (screenshot {shot})")
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if app.poll() is not None:
                raise Failure(f"{when}: the program ended (status {app.returncode}) while its "
                              "fatal message was open")
            if (now := box()) != shown:
                raise Failure(f"{when}: while the message was open the program showed windows "
                              f"{now}, not {shown} alone")
            time.sleep(0.5)
        self.x.screenshot(f"fatal-message-{when}-after-20s")
        if self.wm:  # OK is the box's only button, at its bottom right
            left, top, width, height, _ = self.x.window_info(shown[0])
            self.x.click((left + width - 52, top + height - 24), "hand")
        else:
            self.x.key("Return")
        self.x.wait_for(f"the program to end after OK {when}", lambda: app.poll() is not None, 10)
        if app.returncode != 1:
            raise Failure(f"{when}: after OK on its fatal message: status {app.returncode}, "
                          "not 1")
        log(f"{when}: OK on the fatal message ended the program with status 1")


def run(job_class, scenarios_of, description):
    """Parses the arguments, starts Xvfb and runs the scenarios `scenarios_of(job)` gives in
    order, each with the programs it started stopped after it; a None among them starts openbox
    for the ones after it. Returns the exit status."""
    parser = argparse.ArgumentParser(description=description.splitlines()[0])
    for name in ("dipsheet", "chart", "schema", "artifacts"):
        parser.add_argument(f"--{name}", required=True)
    parser.add_argument("--definitions", nargs="+", required=True)
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated by SIGTERM"))
    shutil.rmtree(args.artifacts, ignore_errors=True)
    os.makedirs(args.artifacts)
    processes = e2e.Processes()
    job = None
    failed = []
    try:
        e2e.check_tools()
        number = e2e.start_xvfb(processes, os.path.join(args.artifacts, "xvfb.log"))
        job = job_class(args, processes, e2e.Display(number, args.artifacts, None))
        log(f"Xvfb on :{number}")
        for scenario in scenarios_of(job):
            if scenario is None:  # the rest under a window manager
                e2e.start_openbox(processes, job.x, os.path.join(args.artifacts, "openbox.log"))
                job.wm = True
                continue
            started = time.monotonic()
            name = f"{scenario.__name__}{'-openbox' if job.wm else ''}"
            try:
                scenario()
                log(f"{name} passed in {time.monotonic() - started:.1f} s")
            except (Failure, subprocess.SubprocessError, OSError, sqlite3.Error) as error:
                failed.append(name)
                print(f"FAILED {name}: {error}", flush=True)
                print(f"screenshot at failure: {job.x.screenshot(name + '-failure')}", flush=True)
                if job.scratches:
                    kept = os.path.join(args.artifacts, name + ".mdb")
                    shutil.copy(os.path.join(job.scratches[-1], "QRTMembers.mdb"), kept)
                    print(f"database kept at {kept}", flush=True)
            finally:
                job.stop_programs()
    except (Failure, subprocess.SubprocessError, OSError, sqlite3.Error) as error:
        failed.append(f"the set-up: {error}")
        print(f"FAILED: {error}", flush=True)
    finally:
        processes.stop_all()
        for scratch in job.scratches if job else []:
            shutil.rmtree(scratch, ignore_errors=True)
    if failed:
        log_path = os.path.join(args.artifacts, "dipsheet.log")
        if os.path.exists(log_path):
            with open(log_path, errors="replace") as f:
                print(f"dipsheet output:\n{f.read().strip() or '(none)'}", flush=True)
        print(f"FAILED: {', '.join(failed)}", flush=True)
        return 1
    log(f"passed in {time.monotonic() - e2e.T0:.1f} s; screenshots in {args.artifacts}")
    return 0


def main():
    return run(Job, lambda job: (job.two_copies, job.typed_through_busy_spell,
                                 job.busy_then_calculate, job.load_adds_no_row,
                                 job.fatal_message_left_open, None, job.two_copies,
                                 job.fatal_message_left_open), __doc__)


if __name__ == "__main__":
    sys.exit(main())
