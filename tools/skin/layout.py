"""The layout table: every screen, its size and place, and every element on it.

Both the pictures (screens.py) and the skin description (skinini.py) are written from these
records, so a drawn box and the rectangle the description gives it cannot drift apart.
Coordinates are pixels in the client area of the window that owns the element.
"""
from dataclasses import dataclass, field
from typing import Callable, List, Optional, Tuple
import palette as P

PUSH_KINDS = ("primary", "secondary", "nav", "window", "switch", "about")
TOGGLE_KINDS = ("check", "radio")


@dataclass
class Button:
    name: str
    x: int
    y: int
    w: int
    h: int
    kind: str                     # one of PUSH_KINDS or TOGGLE_KINDS
    label: str = ""               # text inside a push button
    glyph: Optional[str] = None   # line glyph inside a push button
    caption: str = ""             # text drawn beside a check box or radio (outside its rectangle)
    dim: bool = False             # drawn greyed (controls of a switched-off screen)
    on: bool = False              # a switch drawn in its "on" position
    size: int = 11                # text size of label and caption

    @property
    def toggle(self):
        return self.kind in TOGGLE_KINDS


@dataclass
class Label:
    """A text label (or, in an edit-box section, an edit box): the program draws its text."""
    name: str
    x: int
    y: int
    w: int
    h: int
    height: int = -11             # font height as the description gives it (negative: pixels)
    bold: bool = False
    colour: Tuple[int, int, int] = P.TEXT
    text: str = ""                # initial text
    sample: str = ""              # the longest text the program puts here (fit check and preview)


@dataclass
class ListBox:
    x: int
    y: int
    w: int
    h: int
    columns: List[Tuple[str, int]]
    sample: List[List[str]] = field(default_factory=list)   # preview rows


@dataclass
class Screen:
    name: str
    stem: str                     # picture file names are stem + "_" + state + ".gif"
    x: int
    y: int
    w: int
    h: int
    decor: str                    # name of the drawing routine of the static content
    buttons: List[Button] = field(default_factory=list)
    labels: List[Label] = field(default_factory=list)
    edits: List[Label] = field(default_factory=list)
    lists: List[ListBox] = field(default_factory=list)
    info: str = "SUBMAINSCREENINFO"   # the section holding this screen's line
    off: bool = False             # the switched-off twin of a screen

    def button(self, name):
        return next(b for b in self.buttons if b.name == name)

    def label(self, name):
        return next(l for l in self.labels if l.name == name)


VERSION_FALLBACK = "1.0.0"

# ---------------------------------------------------------------- main window
WINDOW_W, WINDOW_H = 751, 514
HEADER_H = 64
SIDEBAR_W = 92
CORNER = 14

ANIMATION = (107, 81, 117, 169)            # main window
SCAN_ANIMATION = (12, 10, 117, 117)        # inside the 349 x 136 scan-progress screen
ANIMATION_CARD = (100, 74, 131, 267)
SUBSCREEN_CARD = (243, 74, 363, 267)
ACTION_CARD = (618, 74, 120, 267)
FEATURE_CARD = (100, 353, 638, 147)

NAV = [("BUTTON_MAIN", "Scan areas", "areas"), ("BUTTON_AUTOSCAN", "Schedule", "clock"),
       ("BUTTON_IGNORED", "Ignored", "ignore"), ("BUTTON_ADVSETTINGS", "Settings", "gear"),
       ("BUTTON_HISTORY", "History", "history"), ("BUTTON_ABOUT", "About", "info"),
       ("BUTTON_SUPPORT", "Help", "help")]
NAV_TOP, NAV_STEP, NAV_H = 72, 58, 52   # seven tiles above the version line


def _nav(name):
    i = [n for n, _, _ in NAV].index(name)
    _, label, glyph = NAV[i]
    return Button(name, 8, NAV_TOP + i * NAV_STEP, 76, NAV_H, "nav", label, glyph, size=10)


MAIN_BUTTONS = [
    Button("BUTTON_EXIT", 704, 18, 32, 28, "window", glyph="close"),
    Button("BUTTON_MINIMIZE", 668, 18, 32, 28, "window", glyph="minimize"),
    _nav("BUTTON_MAIN"), _nav("BUTTON_AUTOSCAN"), _nav("BUTTON_ABOUT"), _nav("BUTTON_SUPPORT"),
    Button("BUTTON_SCAN", 107, 258, 117, 38, "primary", "Scan now", "scan", size=12),
    Button("BUTTON_REMOVE", 626, 104, 104, 34, "secondary", "Repair", "repair"),
    _nav("BUTTON_IGNORED"), _nav("BUTTON_ADVSETTINGS"),
    Button("BUTTON_RESTORE", 626, 214, 104, 34, "secondary", "Restore", "restore"),
    _nav("BUTTON_HISTORY"),
]

MAIN = Screen("MAIN", "home", 0, 0, WINDOW_W, WINDOW_H, "main", MAIN_BUTTONS, info="")

# ---------------------------------------------------------------- sub-screens
SUB_X, SUB_Y, SUB_W, SUB_H = 250, 115, 349, 219

CATEGORIES = [("COM", "COM classes"), ("COM_SUBS", "Shared DLLs"), ("DRV", "Drivers"),
              ("HELP", "Help files"), ("APPPATH", "Application paths"),
              ("SHARED_TOOLS", "Shared tools"), ("FONTS", "Fonts"),
              ("STARTUP", "Startup programs"), ("UNINSTALL", "Uninstall entries"),
              ("FILETYPES", "File types"),
              ("SHORTCUTS", "Shortcuts")]
ROW_TOP, ROW_H = 41, 13   # eleven rows, all above the strip at the bottom (y >= 190)
DEPTH_CHOICES = [("SAFE", "Safe", 50), ("NORMAL", "Normal", 90), ("DEEP", "Deep", 143)]
STATE_X, COUNT_X = 200, 280


def _areas():
    s = Screen("SUBMAIN_MAIN", "areas", SUB_X, SUB_Y, SUB_W, SUB_H, "areas")
    s.buttons.append(Button("BUTTON_ALL", 12, 29, 9, 9, "check"))
    for i, (key, title) in enumerate(CATEGORIES):
        s.buttons.append(Button("BUTTON_" + key, 12, ROW_TOP + i * ROW_H + 3, 9, 9, "check",
                                caption=title, size=11))
    s.buttons.append(Button("BUTTON_SCAN", 189, 195, 148, 22, "secondary", "Scan with summary",
                            "scan", size=10))
    s.labels += [Label("PROGRESS_TEXT_REGISTRY", 150, 6, 60, 14, -10),
                 Label("PROGRESS_TEXT_MSDOS", 214, 6, 60, 14, -10),
                 Label("TEXT_ERRORSCAN_CURRENTITEM", 12, 190, 172, 13, -10, colour=P.TEXT_SOFT,
                       sample=r"HKCR\CLSID\{0A3F51B2-77}")]
    # How deep a repair goes, in the bottom strip beside the scan button: which levels get ticked.
    s.labels.append(Label("TEXT_DEPTH_CAPTION", 12, 204, 36, 13, -10, text="Depth:", sample="Depth:"))
    for key, title, x in DEPTH_CHOICES:
        s.buttons.append(Button("BUTTON_DEPTH_" + key, x, 206, 9, 9, "radio", caption=title, size=10))
    for i, (key, _) in enumerate(CATEGORIES):
        y = ROW_TOP + i * ROW_H + 1
        s.labels.append(Label("PROGRESS_TEXT_" + key, STATE_X, y, 76, 13, -10, True, P.ACCENT,
                              sample="Scanning"))
        s.labels.append(Label("PROGRESS_COUNT_" + key, COUNT_X, y, 57, 13, -10, True, P.TEXT,
                              sample="12345"))
    s.labels.append(Label("TEXT_ERRORSCAN_ERRORFOUND", 278, 6, 59, 14, -10, True, sample="12345"))
    return s


SCHEDULE_LIST_Y = 141   # the scheduled-task list and its buttons, below the clock's two lines


def _schedule(off):
    name = "SUBMAIN_SCHEDULE_DISABLED" if off else "SUBMAIN_SCHEDULE"
    s = Screen(name, "noschedule" if off else "schedule", SUB_X, SUB_Y, SUB_W, SUB_H,
               "schedule", off=off)
    s.buttons += [
        Button("BUTTON_START_EVERY", 14, 49, 10, 10, "radio", caption="Scan every", dim=off),
        Button("BUTTON_START_AFTER_EVERY", 14, 73, 10, 10, "radio", caption="Scan once a", dim=off),
        Button("BUTTON_START_AFTER_EVERY_MONTH", 232, 73, 10, 10, "radio", caption="month", dim=off),
        Button("BUTTON_START_AFTER_EVERY_WEEK", 170, 73, 10, 10, "radio", caption="week", dim=off),
        Button("BUTTON_START_AFTER_EVERY_DAY", 114, 73, 10, 10, "radio", caption="day", dim=off),
        Button("BUTTON_AUTOSCAN_ENABLE", 295, 5, 42, 20, "switch", on=not off),
        Button("BUTTON_ADDSCHEDULE", 270, SCHEDULE_LIST_Y, 67, 24, "secondary", "Add", "plus", size=10),
        Button("BUTTON_DELETESCHEDULE", 270, SCHEDULE_LIST_Y + 30, 67, 24, "secondary", "Delete", "trash",
               size=10),
    ]
    # When the clock scans next and what its last scan found; the program writes both.
    s.labels += [Label("TEXT_SCHEDULE_NEXT", 12, 88, 325, 14, -10, True, P.ACCENT_DOWN,
                       sample="Next scan: Wednesday 30 September, 14:05"),
                 Label("TEXT_SCHEDULE_LAST", 12, 103, 325, 14, -10, colour=P.TEXT_SOFT,
                       sample="Last scan: Wednesday 30 September, 14:05: 1234 problems")]
    if not off:
        s.edits.append(Label("EDIT_SCAN_PERIOD", 98, 45, 36, 18, -11, text="4", sample="1440"))
        # Beside the box: the minutes it refused and the value it kept.
        s.labels.append(Label("TEXT_SCAN_PERIOD_NOTE", 192, 47, 145, 14, -10, colour=P.WARN,
                              sample="Use 1 to 44,640; kept 44640"))
    s.lists.append(ListBox(12, SCHEDULE_LIST_Y, 250, 212 - SCHEDULE_LIST_Y,
                           [("#", 32), ("Schedule", 100), ("Last run", 96)],
                           [["1", "At 10:00 every Monday", "Never"]]))
    return s


def _ignored():
    s = Screen("SUBMAIN_IGNORED", "ignored", SUB_X, SUB_Y, SUB_W, SUB_H, "ignored")
    s.buttons += [Button("BUTTON_IGNORED_DELETE", 203, 191, 134, 24, "secondary",
                         "Remove from list", "trash", size=10),
                  Button("BUTTON_IGNORED_SEL_ALL", 14, 198, 10, 10, "check", caption="Select all")]
    s.lists.append(ListBox(12, 42, 325, 142, [("Delete", 40), ("FileName", 259)],
                           [["", r"C:\Program Files\Old Tool\tool.exe"],
                            ["", r"C:\Windows\System32\oldhelp.hlp"]]))
    return s


OPTIONS = [("BUTTON_STARTUP", "Start with Windows", "Zenthar opens when you sign in."),
           ("BUTTON_AUTOSCAN", "Scan at start-up", "A scan begins as soon as Zenthar opens."),
           ("BUTTON_BACKUP", "Back up before repairs",
            "The keys a repair touches are saved first.")]
OPTION_TOP, OPTION_STEP = 32, 33


def _settings():
    s = Screen("SUBMAIN_ADVANCED", "settings", SUB_X, SUB_Y, SUB_W, SUB_H, "settings")
    for i, (name, title, _) in enumerate(OPTIONS):
        s.buttons.append(Button(name, 14, OPTION_TOP + i * OPTION_STEP + 2, 10, 10, "check",
                                caption=title))
    s.buttons.append(Button("BUTTON_RESTORE", 12, 188, 176, 24, "secondary",
                            "Restore from undo file", "restore", size=10))
    s.labels.append(Label("EDIT_BAKUP_COUNT", 260, 98, 77, 14, -11))
    # Never read for this screen; kept so the section exists as the description's table lists it.
    s.edits.append(Label("EDIT_SCAN_EVERY", 260, 188, 40, 18, -11, text="4"))
    return s


# The result page takes the whole content area: the list needs the room for a problem, a path and a
# registry location side by side. The main window's Repair and Restore stay where they are, on an
# actions card the page draws as the main window does; below it, the page's own report card.
RESULT_X, RESULT_Y, RESULT_W, RESULT_H = 100, 74, 638, 426
RESULT_LIST = (12, 42, 482, 266)
RESULT_MAIN_CARD = (0, 0, 506, 426)
RESULT_REPORT_CARD = (518, 279, 120, 147)


def _results():
    s = Screen("SUBMAIN_RESULT", "results", RESULT_X, RESULT_Y, RESULT_W, RESULT_H, "results")
    x, y, w, h = RESULT_LIST
    cx, cy, _, _ = RESULT_REPORT_CARD
    s.buttons.append(Button("BUTTON_SAVE_REPORT", cx + 8, cy + 30, 104, 34, "secondary", "Save report"))
    s.labels += [Label("TEXT_RESULT_DETAILS", 20, y + h + 14, 466, 52, -10,
                       sample="Uninstall entry: program missing: C:\\Program Files\\Old Tool\\unins000.exe\n"
                              "Registry key: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Uninstall\n"
                              "A repair removes the value \"UninstallString\" of this key.\n"
                              "Review: The file is missing but its folder is still there."),
                 Label("TEXT_RESULT_COUNT", 12, 396, 240, 14, -10, True, colour=P.TEXT_SOFT,
                       sample="123456 of 123456 selected")]
    s.lists.append(ListBox(x, y, w, h, [("Fix", 34), ("Problem", 150), ("Missing file", 122),
                                        ("Registry location", 93), ("Level", 62)],
                           [["", "COM class: server file missing", r"C:\Program Files\Gone\gone.dll",
                             r"HKEY_CLASSES_ROOT\CLSID\{0A3F}", "Risky"],
                            ["", "Startup program not found", r"C:\Tools\launcher.exe",
                             r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run : Launcher",
                             "Review"],
                            ["", "Shortcut: target missing", r"C:\Old\old.exe",
                             r"C:\Users\Public\Desktop\Old.lnk", "Safe"]]))
    return s


def _about():
    s = Screen("SUBMAIN_ABOUT", "about", SUB_X, SUB_Y, SUB_W, SUB_H, "about")
    s.buttons.append(Button("BUTTON_ABOUTEXIT", 0, 0, SUB_W, SUB_H, "about"))
    # Where the ignore list, the undo files and the backups are kept: the program writes the folder.
    s.labels.append(Label("TEXT_ABOUT_DATAFOLDER", 24, 171, 301, 12, -10, colour=P.TEXT_SOFT,
                          sample=r"Your files: C:\Users\Someone\AppData\Roaming\Zenthar"))
    return s


def _history():
    """The repairs, newest first; under them the entries of the one picked, and its restore."""
    s = Screen("SUBMAIN_HISTORY", "history", SUB_X, SUB_Y, SUB_W, SUB_H, "history")
    s.buttons.append(Button("BUTTON_HISTORY_RESTORE", 195, 188, 142, 26, "secondary",
                            "Restore this repair", "restore", size=10))
    # Why the picked repair cannot be restored, or how its restore ended; the program breaks lines.
    s.labels.append(Label("TEXT_HISTORY_NOTE", 12, 179, 178, 39, -10, colour=P.WARN,
                          sample="Its backup was rotated away: only\nthe newest 5 backups are kept, so\n"
                                 "it cannot be restored."))
    # Three rows each: the page has no sub-title line, so the lists start under the title.
    s.lists.append(ListBox(12, 28, 325, 74, [("#", 30), ("Date", 120), ("Removed", 66), ("Backup", 88)],
                           [["3", "2026-12-08 15:30:01", "12", "kept"],
                            ["2", "2026-12-01 09:12:44", "4", "rotated away"]]))
    s.lists.append(ListBox(12, 106, 325, 70, [("Area", 80), ("Registry location", 106), ("Missing file", 72),
                                              ("Level", 46)],
                           [["COM", r"HKEY_CLASSES_ROOT\CLSID\{0A3F51B2}", r"C:\Gone\gone.dll", "Risky"]]))
    return s


SUBSCREENS = [_areas(), _schedule(False), _ignored(), _settings(), _results(), _schedule(True),
              _about(), _history()]

# Buttons of screens that have no screen line: kept in the description, never read.
UNPLACED = {"SUBMAIN_LIVEUPDATE_BUTTONINFO": [Button("BUTTON_RUNUPDATE", 12, 188, 120, 24, "secondary")],
            "SUBMAIN_SUPPORT_BUTTONINFO": [Button("BUTTON_SUPPORT", 12, 188, 120, 24, "secondary")]}

# ---------------------------------------------------------------- progress and summary screens
def _scanning():
    s = Screen("SCREENERRORSCAN", "scanning", 217, 310, 349, 136, "scanning",
               info="SCREENERRORSCANINFO")
    s.buttons.append(Button("BUTTON_STOPSCAN", 237, 100, 100, 26, "secondary", "Stop", "close"))
    s.labels.append(Label("TEXT_ERRORSCAN_CURRENTITEM", 140, 72, 197, 14, -10, colour=P.TEXT_SOFT,
                          sample=r"HKEY_CLASSES_ROOT\CLSID\{0A3F}"))
    return s


STATS_Y = 160


def _scan_done():
    s = Screen("SCREENSCANCOMPLETE", "scan_done", 217, 97, 349, 211, "scan_done",
               info="SCREENSCANCOMPLETEINFO")
    s.buttons += [Button("BUTTON_FIXERROR", 237, 179, 100, 26, "primary", "Repair all", "repair"),
                  Button("BUTTON_CANCEL", 127, 179, 100, 26, "secondary", "Close")]
    s.labels += [Label("TEXT_SCANCOMPLETE_STATUS", 12, STATS_Y, 86, 14, -10, True, P.ACCENT,
                       sample="Complete"),
                 Label("TEXT_SCANCOMPLETE_ITEMSCANNED", 160, STATS_Y, 56, 14, -10, True,
                       sample="123456"),
                 Label("TEXT_SCANCOMPLETE_ERRORFOUND", 268, STATS_Y, 69, 14, -10, True,
                       sample="12345"),
                 Label("TEXT_SCREENSCANCOMPLETE_TITLE", 12, 8, 325, 30, -11,
                       sample="Zenthar has found 12345 potentially dangerous bugs\n"
                              "click the button below to repair your computer")]
    s.lists.append(ListBox(10, 42, 329, 112, [("Type", 150), ("Scanned", 76), ("Bug(s)", 76)],
                           [["Invalid CLSID", "5120", "3"], ["Corrupt Shared Files", "812", "0"]]))
    return s


def _repairing():
    s = Screen("SCREENERRORFIXING", "repairing", 217, 97, 349, 211, "repairing",
               info="SCREENERRORFIXINGINFO")
    s.labels += [Label("TEXT_ERRORFIXING_CURRENTITEM", 12, 88, 325, 14, -10, colour=P.TEXT_SOFT,
                       sample=r"HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{0A3F}"),
                 Label("TEXT_ERRORFIXING_STATUS", 12, 70, 325, 14, -10, True, P.ACCENT,
                       sample="Fixing errors")]
    for i, name in enumerate(("ITEMSCANNED", "ERRORFOUND", "FIXED")):
        s.labels.append(Label("TEXT_ERRORFIXING_" + name, 22 + i * 112, 146, 81, 22, -16, True,
                              sample="123456"))
    return s


def _repair_done():
    s = Screen("SCREENFIXCOMPLETE", "repair_done", 217, 97, 349, 211, "repair_done",
               info="SCREENFIXCOMPLETEINFO")
    s.buttons.append(Button("BUTTON_OK", 237, 179, 100, 26, "primary", "OK", "check"))
    s.labels += [Label("TEXT_FIXCOMPLETE_STATUS", 200, 12, 137, 16, -11, True, P.ACCENT,
                       sample="Fixed"),
                 Label("TEXT_FIXCOMPLETE_ITEMSCANNED", 62, STATS_Y, 50, 14, -10, True,
                       sample="123456"),
                 Label("TEXT_FIXCOMPLETE_ERRORFOUND", 156, STATS_Y, 50, 14, -10, True,
                       sample="12345"),
                 Label("TEXT_FIXCOMPLETE_FIXED", 268, STATS_Y, 69, 14, -10, True, sample="-12345")]
    s.lists.append(ListBox(10, 36, 329, 118,
                           # the longest title and "Access Denied" fit whole
                           [("Type", 121), ("Scanned", 57), ("Bug(s)", 48), ("Fixed", 82)],
                           [["Invalid CLSID", "5120", "3", "3"],
                            ["Invalid App Paths", "96", "1", "Access Denied"]]))
    return s


PROGRESS = [_scanning(), _scan_done(), _repairing(), _repair_done()]

ALL_SCREENS = [MAIN] + SUBSCREENS + PROGRESS
