#!/usr/bin/env python3
"""End-to-end test of the chart window as a person looks at it, in a real X server on a
1280 x 1024 screen:

- a key, or a click, on the splash goes straight to the main window, active (without a
  window manager, and again under openbox);
- the chart window of a 2:1-headed tank fills the screen with the grid and, beside it, the
  picture on white with its curve; Show Ullage and % Full from the grid's menu widens the grid
  to four columns, all on screen, with no scroll bar under them;
- Ctrl+S proposes <serial>-<today>.csv in the data folder, writes it on Enter, and the window
  says so in the yellow notice bar at its bottom;
- Millimeters clicked with figures typed asks first: Esc leaves the tank in inches as typed,
  Yes converts the figures (72 in becomes 1828.8 mm), as the charts' history rows show.

Each scenario starts the built `dipsheet` in a scratch folder of its own; what it did is read
from screenshots, the files in the folder and the job database. It uses the helpers of
e2e_desktop.py and e2e_job.py.

Python 3 standard library only, and the tools e2e_desktop.py needs.
"""

import datetime
import os
import sys
import time

sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_desktop as e2e  # noqa: E402
import e2e_job  # noqa: E402
from e2e_desktop import Failure, log, query  # noqa: E402

BLUE = (0, 0, 255)  # the grid's cells
WHITE = (255, 255, 255)  # the picture's paper
YELLOW = (255, 255, 0)  # the notice bar
SKIP_SECONDS = 2.0  # from the key or click on the splash to the main window, active


def runs(values, gap):
    """The runs of the sorted numbers `values` whose neighbours lie at most `gap` apart, as
    [first, last] pairs."""
    found = []
    for v in values:
        if found and v - found[-1][1] <= gap:
            found[-1][1] = v
        else:
            found.append([v, v])
    return found


def curve_colour(rgb):
    r, g, b = rgb
    return r <= 40 and g <= 40 and 120 <= b <= 200


class Shown:
    """What a screenshot shows of the chart window at `box` (left, top, width, height).

    The grid is found by its blue cells: its columns are the x where at least a fifth of the
    window's height is blue (the blue captions and set-up line are far shorter), in the widest
    cluster of them; the one-pixel grid lines split that cluster into one band per column. Its
    rows are the y where at least half the cluster's width is blue, in the longest run (the
    grid's horizontal lines are one pixel, the set-up line below lies a margin away). The
    picture is every white pixel right of the grid; the curve, its dark blue pixels there."""

    def __init__(self, display, png, box):
        left, top, width, height = self.box = box
        points = [(x, y) for y in range(top, top + height) for x in range(left, left + width)]
        colour = dict(zip(points, display.pixels(png, points)))
        self.png = png
        self.area = width * height
        blue_cols = [x for x in range(left, left + width)
                     if sum(colour[x, y] == BLUE for y in range(top, top + height)) >= height / 5]
        if not blue_cols:
            raise Failure(f"no grid in the chart window {box} (screenshot {png})")
        self.x0, self.x1 = max(runs(blue_cols, 3), key=lambda r: r[1] - r[0])
        self.bands = runs([x for x in blue_cols if self.x0 <= x <= self.x1], 1)
        self.columns = len(self.bands)
        span = range(self.x0, self.x1 + 1)
        blue_rows = [y for y in range(top, top + height)
                     if sum(colour[x, y] == BLUE for x in span) >= len(span) / 2]
        self.y0, self.y1 = max(runs(blue_rows, 3), key=lambda r: r[1] - r[0])
        self.grid_height = self.y1 - self.y0 + 1
        right = [(x, y) for (x, y) in points if x > self.x1]
        self.white = sum(colour[p] == WHITE for p in right)
        self.curve = sum(curve_colour(colour[p]) for p in right)
        self.yellow_rows = [y for y in range(top, top + height)
                            if sum(colour[x, y] == YELLOW
                                   for x in range(left, left + width)) >= width * 0.8]

    def __str__(self):
        return (f"grid {self.x1 - self.x0 + 1} x {self.grid_height} px at ({self.x0}, "
                f"{self.y0}) in {self.columns} columns, picture {self.white} white and "
                f"{self.curve} curve pixels, window {self.box[2]} x {self.box[3]} "
                f"(screenshot {self.png})")


class ChartWindow(e2e_job.Job):

    def shown(self, window, label):
        return Shown(self.x, self.x.screenshot(label), self.x.window_info(window)[:4])

    def newest_tank(self, db, count):
        """The tank line of the history row of chart number `count`, once it is stored."""
        self.x.wait_for(f"chart {count} in the history", lambda: self.chart_count(db) >= count,
                        20)
        tank = query(db, "SELECT Tank FROM ChartHistory ORDER BY Id DESC LIMIT 1")[0][0]
        return dict(pair.split("=", 1) for pair in tank.split("; "))

    def exit_chart(self, session, window):
        self.x.click(e2e.point(self.x.window_info(window)[:2], e2e.CMD_EXIT_CHART), "hand")
        self.x.wait_for("the chart window to close",
                        lambda: window not in self.x.visible_windows(e2e.CHART_TITLE), 10)
        session.wait_focus(session.main, "the main window after Exit")

    # -- scenarios

    def splash_skips(self):
        """A key, then in a second start a click held as a hand holds it, on the splash: the
        main window shows with the keyboard within SKIP_SECONDS, well before the splash's own
        seven seconds."""
        wm = "openbox" if self.wm else "no window manager"
        for how in ("key", "click"):
            scratch, db = self.scratch()
            launched = time.monotonic()
            self.x.app = self.launch(scratch)
            splash = self.x.wait_for("the splash", lambda: self.x.visible_windows(e2e.MAIN_TITLE),
                                     30)[0]
            # The person acts on what is in front of them: the splash, with the keyboard.
            self.x.wait_for("the keyboard on the splash",
                            lambda: self.x.focused_window() == splash, 5)
            seen = time.monotonic() - launched
            left, top, width, height, _ = self.x.window_info(splash)
            acted = time.monotonic()
            if how == "key":
                self.x.key("space")
            else:
                self.x.click((left + width // 2, top + height // 2), "hand")

            def main_active():
                others = [w for w in self.x.visible_windows(e2e.MAIN_TITLE) if w != splash]
                return others and self.x.focused_window() == others[0]
            try:
                self.x.wait_for("the main window, active", main_active, SKIP_SECONDS,
                                interval=0.05)
            except Failure as failure:
                raise Failure(f"{wm}, a {how} on the splash: {failure} (screenshot "
                              f"{self.x.screenshot('splash-not-skipped')})") from None
            took = time.monotonic() - acted
            if time.monotonic() - launched >= e2e.SPLASH_SECONDS:
                raise Failure(f"{wm}: the main window came only with the splash's own time")
            self.x.wait_for("the splash to go",
                            lambda: splash not in self.x.visible_windows(e2e.MAIN_TITLE), 5)
            # The key or click was the splash's alone: the customer name, where the main window
            # starts, still shows its text selected.
            session = e2e.Session(self.args, scratch, db, self.x, self.x.app, launched)
            session.main = self.x.focused_window()
            session.origin = self.x.window_info(session.main)[:2]
            session.expect_selection(f"splash-skipped-by-{how}",
                                     shown=("Customer Name", e2e.CUSTOMER_BAND), hidden=[])
            log(f"{wm}: splash up at {seen:.2f} s; a {how} on it gave the main window, active, "
                f"{took:.2f} s later")
            self.stop_programs()

    def grid_and_picture(self):
        """A 2:1-headed tank of 72 by 120 in, charted every 0.1 in: the chart window shows the
        grid over most of its height and the picture beside it, white with the curve drawn, the
        two over more than half the window. Show Ullage and % Full from the grid's menu gives
        the grid four columns side by side, each on screen, and leaves its cells down to where
        they ended: no scroll bar has come under them."""
        scratch, db = self.scratch()
        session = self.open_job(scratch, db)
        self.x.click(session.at(e2e.CBO_HEADS))
        session.settle()
        self.x.key("Down", "Return")
        session.enter_chart(".1", ["72", "120"])
        self.x.click(session.at(e2e.CMD_CALCULATE))
        window = session.chart_window()
        session.wait_focus(window, "the chart window")
        if self.newest_tank(db, 1).get("heads") != "2:1":
            raise Failure(f"the chart is not of 2:1 heads: {self.newest_tank(db, 1)}")
        def problems_of(shown):
            height = shown.box[3]
            problems = []
            if shown.grid_height < 0.7 * height:
                problems.append(f"the grid runs over {shown.grid_height} of {height} px")
            if shown.columns != 2:
                problems.append(f"the grid shows {shown.columns} columns, not Depth and Capacity")
            if shown.white < shown.area / 3 or shown.curve < 100:
                problems.append("no picture of a third of the window beside the grid with its "
                                "curve")
            if (shown.x1 - shown.x0 + 1) * shown.grid_height + shown.white <= shown.area / 2:
                problems.append("grid and picture cover half the window or less")
            return problems

        # Painted once the curve shows, and laid out for the window's final size: a window
        # manager may still be maximising it when the first paint comes (a loaded machine).
        last = []

        def settled():
            shown = self.shown(window, "chart-window")
            last[:] = [shown]
            return shown.curve and not problems_of(shown) and shown
        try:
            before = self.x.wait_for("the chart window laid out, the curve drawn", settled, 10)
        except Failure:
            shown = last[0] if last else self.shown(window, "chart-window")
            raise Failure(f"{'; '.join(problems_of(shown)) or 'no curve'}: {shown}") from None
        log(f"chart window: {before}")

        # The grid's menu where a person opens it: on a row at the grid's top.
        menus = set(self.windows_of(session.app.pid))
        self.x.run("xdotool", "mousemove", str((before.x0 + before.x1) // 2), str(before.y0 + 6),
                   "click", "3")
        self.x.wait_for("the grid's menu",
                        lambda: set(self.windows_of(session.app.pid)) - menus, 5)
        self.x.screenshot("grid-menu")
        self.x.key("Up", "Return")  # the menu's last entry: Show Ullage and % Full

        def widened():
            shown = self.shown(window, "ullage-shown")
            return shown.columns > before.columns and shown
        try:
            after = self.x.wait_for("the grid to widen", widened, 10)
        except Failure as failure:
            raise Failure(f"Show Ullage and % Full: {failure} (screenshot "
                          f"{self.x.screenshot('ullage-not-shown')})") from None
        log(f"with Ullage and % Full: {after}")
        # Four blue bands side by side, each wide enough for its figures, are the four columns
        # on screen together. A horizontal scroll bar would take its height from the bottom of
        # the grid's cells: the blue ends where it ended.
        narrow = [b for b in after.bands if b[1] - b[0] + 1 < 30]
        if after.columns != 4 or narrow or abs(after.y1 - before.y1) > 1:
            raise Failure(f"with Ullage and % Full the grid is {after}, its columns at "
                          f"{after.bands}; before, its cells ended at y {before.y1}")
        if after.white < after.area / 3:
            raise Failure(f"the wider grid left the picture too little room: {after}")

    def save_names_the_file(self):
        """Ctrl+S in the chart window: the save dialog proposes <serial>-<today>.csv in the
        data folder, Enter writes it there, and the yellow notice bar at the window's bottom
        says where it went."""
        scratch, db = self.scratch()
        session = self.open_job(scratch, db)
        session.enter_chart("1", ["48", "96"])
        self.x.click(session.at(e2e.CMD_CALCULATE))
        window = session.chart_window()
        session.wait_focus(window, "the chart window")
        self.x.key("ctrl+s")
        dialog = self.x.wait_for("the save dialog",
                                 lambda: self.x.visible_windows("^Save the chart as CSV$"), 10)[0]
        session.wait_focus(dialog, "the save dialog")
        session.settle()
        self.x.key("Return")
        name = f"{e2e_job.OLD_HEADING[2]}-{datetime.date.today().isoformat()}.csv"
        path = os.path.join(scratch, name)
        try:
            self.x.wait_for(f"{name} in the data folder", lambda: os.path.exists(path), 10)
        except Failure as failure:
            raise Failure(f"{failure}; the folder holds "
                          f"{[f for f in os.listdir(scratch) if f.endswith('.csv')]}") from None
        with open(path, encoding="utf-8") as f:
            lines = f.read().split()
        if lines[:1] != ["Depth,Capacity"] or len(lines) < 2:
            raise Failure(f"{name} holds {lines[:3]}, not the chart")
        self.x.wait_for("the save dialog to close",
                        lambda: not self.x.visible_windows("^Save the chart as CSV$"), 10)
        notice = self.x.wait_for("the notice bar", lambda: (s := self.shown(
            window, "saved")).yellow_rows and s, 10)
        bottom = notice.box[1] + notice.box[3]
        if min(notice.yellow_rows) <= notice.y1 or bottom - max(notice.yellow_rows) > 40:
            raise Failure(f"the yellow bar (y {min(notice.yellow_rows)} to "
                          f"{max(notice.yellow_rows)}) is not at the window's bottom, under "
                          f"the grid: {notice}")
        log(f"Ctrl+S, Enter: {name} in the data folder, the notice bar "
            f"{len(notice.yellow_rows)} px high at the window's bottom")

    def unit_switch_keeps_figures(self):
        """72 by 120 in typed, then Millimeters: no question, the figures kept as typed and
        Calculate ready, the chart of a 72 by 120 mm tank. Back to Inches and to Millimeters
        again, the conversion offered on the notice bar and pressed by a hand: the chart is of
        the tank in millimetres, 72 in being 1828.8 mm."""
        scratch, db = self.scratch()
        session = self.open_job(scratch, db)
        session.enter_chart(".1", ["72", "120"])
        for count in (1, 2):
            if count == 2:
                self.x.click(session.at(e2e.OPT_INCHES, fx=0.3), "hand")
            self.x.click(session.at(e2e.OPT_MILLIMETERS, fx=0.3), "hand")
            offer = session.unit_switch_offers(f"units-offered-{count}")
            if count == 2:
                self.x.click(offer, "hand")
            session.expect_panel(f"units-ready-{count}", "yellow", 2)
            self.x.click(session.at(e2e.CMD_CALCULATE))
            window = session.chart_window()
            tank = self.newest_tank(db, count)
            want = {"units": "mm", "diameter": "72", "length": "120"} if count == 1 else \
                {"units": "mm", "diameter": "1828.8", "length": "3048"}
            got = {k: tank.get(k) for k in want}
            if got != want:
                raise Failure(f"chart {count}: the tank is {got}, not {want} (screenshot "
                              f"{self.x.screenshot('units-wrong')})")
            log(f"chart {count} after the unit switch: {got}")
            self.exit_chart(session, window)


def main():
    # The chart window as people have it: maximised by a window manager.
    return e2e_job.run(ChartWindow, lambda job: (job.splash_skips, None, job.splash_skips,
                                                 job.grid_and_picture, job.save_names_the_file,
                                                 job.unit_switch_keeps_figures), __doc__)


if __name__ == "__main__":
    sys.exit(main())
