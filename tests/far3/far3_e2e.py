#!/usr/bin/env python3
"""Hashkeep.dll end to end in FAR Manager 3 under Wine: FAR runs in tmux with
a fresh profile, loads the plug-in from the release zip through its wrapper
for 1.x plug-ins, gets keys and is judged by its screen and the files on
disk (the lists' bytes against python's own digests).

usage: far3_e2e.py --far FAR.EXE --work DIR --hold HOLD_OPEN.EXE [--limit S]
                   [--cpack CPACK --cpack-config CONFIG] setup|cleanup|SCENARIO

setup unpacks the release zip into DIR/Plugins and makes the run's two Wine
prefixes (DIR/wine-en, and DIR/wine-ru with Russian's OEM code page 866);
cleanup ends their Wine processes (wineserver -k) and removes them.
"""
import argparse, glob, hashlib, os, re, shlex, shutil, signal, subprocess, sys, tempfile, time, zipfile, zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from tmux_screen import Failure, TmuxScreen, box, check, put, run_scenario  # noqa: E402

A = None  # the arguments
FILES = {"a.txt": b"abc", "b.txt": bytes(range(256)) * 3, "c.txt": b"x" * 1000}
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
RUSSIAN = {"LC_ALL": "ru_RU.UTF-8", "LANG": "ru_RU.UTF-8"}
XTERM_KEYS = {"Home": "\x1b[H", "End": "\x1b[F"}


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_env(russian):
    env = dict(os.environ, WINEPREFIX=os.path.join(A.work, "wine-ru" if russian else "wine-en"), **WINE_ENV)
    if russian:
        env.update(RUSSIAN)
    return env


class Far(TmuxScreen):
    """One FAR 3 in one tmux server, in the run's Wine prefix; ended by its process id."""

    WAIT = 20
    LOADER = "wine"  # the 64-bit FAR's driver (far3x64_e2e.py) runs it with wine64

    def __init__(self, name, russian=False):
        self.name, self.russian = name, russian
        self.root = tempfile.mkdtemp(prefix="hk-far3-%s-" % name)
        self.sock = os.path.join(self.root, "tmux")
        self.left, self.right = os.path.join(self.root, "left"), os.path.join(self.root, "right")
        for d in (self.left, self.right):
            os.makedirs(d)
        self.args, self.pid, self.last = [], None, "(none)"

    def start(self):
        env = wine_env(self.russian)
        pairs = ["%s=%s" % (k, env[k]) for k in ["WINEPREFIX"] + sorted(WINE_ENV) + (sorted(RUSSIAN) if self.russian else [])]
        profile = os.path.join(self.root, "profile")
        cmd = ["exec", "env"] + pairs + [self.LOADER, A.far, "-s", winpath(profile), winpath(profile + "-local"),
                                         "-u", self.name, "-p" + winpath(os.path.join(A.work, "Plugins"))] + \
            self.args + [winpath(self.left), winpath(self.right)]
        # Wine's own complaints go to a file, not over FAR's screen.
        self.tmux("new-session", "-d", "-x", "100", "-y", "30",
                  " ".join(map(shlex.quote, cmd)) + " 2>>" + shlex.quote(os.path.join(self.root, "wine.log")))
        self.pid = int(self.tmux("display", "-p", "#{pane_pid}").strip())
        self.wait(lambda s: self.keybar(s), 60)
        self.settle()

    def stop(self):
        if self.pid and os.path.exists("/proc/%d" % self.pid):
            os.kill(self.pid, signal.SIGKILL)
        self.pid = None
        subprocess.run(["tmux", "-S", self.sock, "kill-server"], stderr=subprocess.DEVNULL)

    def quit(self):
        """F10 and Yes: FAR ends by itself, its settings kept."""
        self.keys("F10"), self.wait("quit"), self.keys("Enter")
        end = time.time() + 20
        while os.path.exists("/proc/%d" % self.pid) and time.time() < end:
            time.sleep(0.1)
        check(not os.path.exists("/proc/%d" % self.pid), "FAR did not quit")
        self.stop()

    def keys(self, *keys):
        for k in keys:
            # Wine's console reads Home and End only as xterm writes them.
            if k in XTERM_KEYS:
                self.tmux("send-keys", "-l", XTERM_KEYS[k])
            else:
                self.tmux("send-keys", k)
            time.sleep(0.1)

    def settle(self):
        """Until the screen stays the same for half a second: keys sent before may be lost."""
        before, calm = None, 0
        for _ in range(100):
            now = self.screen()
            calm = calm + 1 if now == before else 0
            if calm == 5:
                return now
            before = now
            time.sleep(0.1)
        return now

    @staticmethod
    def keybar(screen):
        return re.match(r"1 ?\S", screen.splitlines()[-1]) is not None

    def cells(self):
        """The screen as rows of (character, foreground, background)."""
        rows = []
        for line in self.tmux("capture-pane", "-p", "-e").splitlines():
            row, fg, bg = [], None, None
            for part in re.split(r"(\x1b\[[0-9;]*m)", line):
                if not part.startswith("\x1b["):
                    row += [(ch, fg, bg) for ch in part]
                    continue
                codes = [int(c) if c else 0 for c in part[2:-1].split(";")]
                while codes:
                    c = codes.pop(0)
                    if c == 0:
                        fg = bg = None
                    elif c in (38, 48):  # 256 colours or true colour
                        value = codes[:2] if codes[0] == 5 else codes[:4]
                        codes = codes[len(value):]
                        fg, bg = (value[-1], bg) if c == 38 else (fg, value[-1])
                    elif 30 <= c <= 37 or 90 <= c <= 97 or c == 39:
                        fg = None if c == 39 else c
                    elif 40 <= c <= 47 or 100 <= c <= 107 or c == 49:
                        bg = None if c == 49 else c
            rows.append(row)
        return rows

    def marks(self, left, right=None):
        """Waits for exactly these names selected in the left (and the right) panel."""
        want = (sorted(left), None if right is None else sorted(right))
        try:
            self.wait(lambda s: (sorted(self.selected("left")),
                                 None if right is None else sorted(self.selected("right"))) == want, 10)
        except Failure:
            raise Failure("selected: left %s, right %s; expected %s" % (self.selected("left"), self.selected("right"),
                                                                         want))

    def selected(self, side):
        """The names drawn in the selection colour (bright yellow) in one panel."""
        names = []
        for row in self.cells()[2:25]:  # below the column titles, above the status line
            half = row[:50] if side == "left" else row[50:]
            name = "".join(ch for ch, fg, _ in half if fg == 93).strip()
            if name:
                names.append(name)
        return names


def has_line(lines, text):
    return any(text in l for l in lines)


def read(path):
    with open(path, "rb") as f:
        return f.read()


ALGORITHMS = {"CRC32": ("sfv", "M-1"), "MD5": ("md5", "M-2"), "SHA1": ("sha1", "M-3"), "SHA256": ("sha256", "M-4")}


def list_bytes(algorithm, files, names, mark="*", encoding="ascii"):
    """A list as Hashkeep writes it: an empty header line, then one line per name, CR LF."""
    out = b"\r\n"
    for n in names:
        data, name = files[n], n.encode(encoding)
        if algorithm == "CRC32":
            out += b"%s %08x\r\n" % (name, zlib.crc32(data))
        else:
            out += b"%s %s%s\r\n" % (hashlib.new(algorithm.lower(), data).hexdigest().encode(), mark.encode(), name)
    return out


def cursor(far, name):
    """The left panel's cursor onto Name, counted from ".." on the screen, as its status line shows it."""
    far.keys("Home")
    far.wait(lambda s: status_name(s) == "..")
    rows = [line[1:24].rstrip() for line in far.screen().splitlines()[2:25]]
    check(name in rows, "no %s in the panel" % name)
    far.keys(*["Down"] * rows.index(name))
    far.wait(lambda s: status_name(s) == name)


def status_name(screen):
    """The name in the left panel's status line, the row above its bottom border."""
    return screen.splitlines()[26][1:49].split("  ")[0]


def select(far, names):
    """Exactly Names selected in the left panel, each toggled by Insert under the cursor."""
    for name in sorted(set(names) ^ set(far.selected("left"))):
        cursor(far, name)
        far.keys("Insert")
    far.wait(lambda s: sorted(far.selected("left")) == sorted(names))


def open_plugin(far, want):
    far.keys("F11"), far.wait("Hashkeep"), far.keys("Enter")
    return far.wait(want)


def closed(far, title):
    far.wait(lambda s: " %s " % title not in s)
    far.settle()


def configure(far, title):
    """The configuration dialog from F9, Options, Plugins configuration (its fifth item), in any language."""
    far.keys("F9"), far.wait(lambda s: not s.startswith("╔"))  # the menu bar over the panels' top
    far.keys("Right", "Right", "Right", "Enter"), far.wait(lambda s: "╔" in s.splitlines()[1][25:])
    far.keys("Down", "Down", "Down", "Down", "Enter"), far.wait("Hashkeep"), far.keys("Enter")
    return box(far.wait(" %s " % title), title)


def close_configuration(far, title):
    """After OK or Esc FAR shows the plug-ins' configuration menu again: Esc leaves it."""
    far.wait(lambda s: " %s " % title not in s)
    if "Hashkeep" in far.settle():
        far.keys("Escape")
        far.wait(lambda s: "Hashkeep" not in s)
    far.settle()


# --- Scenarios ------------------------------------------------------------------


def report(far, *lines, absent=()):
    """The "Finished" box holds Lines and none of Absent; closed with Enter."""
    shown = box(far.wait("Finished"), "Finished")
    for line in lines:
        check(has_line(shown, line), "the report lacks %r: %s" % (line, shown))
    for line in absent:
        check(not has_line(shown, line), "the report shows %r: %s" % (line, shown))
    far.keys("Enter")
    closed(far, "Finished")


def create(far):
    """One list for each algorithm, the overwrite question of one list, and of per-file lists; a name FAR
    hands over as another file's is refused."""
    # Code page 437 lacks "ā" and FAR writes it as its best fit, "a": this file reaches the plug-in as "abc.txt".
    put(far.left, dict(FILES, **{"abc.txt": b"abc", "\u0101bc.txt": b"macron"}))
    far.start()
    names = sorted(FILES)
    for algorithm, (ext, key) in ALGORITHMS.items():
        select(far, names)
        dialog = box(open_plugin(far, "Work Mode"), "Work Mode")
        check(has_line(dialog, "hashlist.md5"), "the proposed name is not hashlist.md5: %s" % dialog)
        far.keys(key), far.wait(lambda s: re.search(r"hashlist\.%s\s" % ext, s)), far.keys("Enter")
        closed(far, "Work Mode")
        path = os.path.join(far.left, "hashlist." + ext)
        far.wait(lambda s: os.path.exists(path))
        check(read(path) == list_bytes(algorithm, FILES, names), "hashlist.%s holds %r" % (ext, read(path)))
        far.marks([])

    # One list: No brings the dialog back, the list untouched; Yes replaces it.
    old = read(os.path.join(far.left, "hashlist.md5"))
    files = dict(FILES, **{"a.txt": b"changed"})
    put(far.left, files)
    select(far, names)
    open_plugin(far, "Work Mode"), far.keys("Enter")
    check(has_line(box(far.wait("Override?"), "Confirm"), "File hashlist.md5 already exists. Override?"),
          "no overwrite question")
    far.keys("Right", "Enter")
    far.wait(lambda s: "Work Mode" in s and "Override?" not in s)
    check(read(os.path.join(far.left, "hashlist.md5")) == old, "No changed hashlist.md5")
    far.keys("Enter"), far.wait("Override?"), far.keys("Enter")
    closed(far, "Confirm")
    far.wait(lambda s: read(os.path.join(far.left, "hashlist.md5")) == list_bytes("MD5", files, names))

    # Per file, with a.txt's list there: one question, Cancel, No, then Yes.
    put(far.left, {"a.txt.md5": b"\r\n" + b"0" * 32 + b" *a.txt\r\n"})
    for answer in ("Cancel", "No", "Yes"):
        select(far, names)
        open_plugin(far, "Work Mode"), far.keys("M-s")
        far.wait(lambda s: "[x] Separate Hash Files" in s)
        far.keys("Enter")
        question = box(far.wait("already exist"), "Confirm")
        lists = [n for n in names if os.path.exists(os.path.join(far.left, n + ".md5"))]
        check(has_line(question, "%d hash list(s) already exist, the first:" % len(lists)) and
              has_line(question, "a.txt.md5") and has_line(question, "{ Yes } [ No ] [ Cancel ]"),
              "question: %s" % question)
        far.keys(*{"Cancel": ["Right", "Right"], "No": ["Right"], "Yes": []}[answer] + ["Enter"])
        closed(far, "Confirm")
        made = {n: read(os.path.join(far.left, n + ".md5")) for n in names
                if os.path.exists(os.path.join(far.left, n + ".md5"))}
        if answer == "Cancel":
            check(list(made) == ["a.txt"], "Cancel: the lists are %s" % sorted(made))
            far.marks(names)
        elif answer == "No":
            check(made == {"a.txt": b"\r\n" + b"0" * 32 + b" *a.txt\r\n",
                           "b.txt": list_bytes("MD5", files, ["b.txt"]),
                           "c.txt": list_bytes("MD5", files, ["c.txt"])}, "No: the lists are %s" % made)
            far.marks(["a.txt"])
        else:
            check(made == {n: list_bytes("MD5", files, [n]) for n in names}, "Yes: the lists are %s" % made)
            far.marks([])

    select(far, ["\u0101bc.txt"])
    shown = box(open_plugin(far, "Error"), "Error")
    check(has_line(shown, "Error reading file abc.txt") and has_line(shown, "have this name in the code page"),
          "the look-alike name: %s" % shown)
    far.keys("Enter"), closed(far, "Error")
    check(not os.path.exists(os.path.join(far.left, "abc.txt.md5")), "a list of abc.txt in its look-alike's name")


def verify(far):
    """A list under the cursor (No, then Yes) and on the command line: the changed file selected, the missing
    one counted; ".." alone is no file."""
    files = dict(FILES, **{"d.txt": b"gone soon"})
    put(far.left, files)
    put(far.left, {"hashlist.md5": list_bytes("MD5", files, sorted(files))})
    put(far.left, {"b.txt": b"changed"})
    os.remove(os.path.join(far.left, "d.txt"))
    far.start()
    # Nothing selected, ".." under the cursor: said so, as for a folder.
    cursor(far, "..")
    check(has_line(box(open_plugin(far, "No data"), "No data"), "No files selected"), "no 'No files selected'")
    far.keys("Enter"), closed(far, "No data")
    cursor(far, "hashlist.md5")
    question = box(open_plugin(far, "List file found"), "List file found")
    check(has_line(question, "File hashlist.md5 is a valid hash list file.") and
          has_line(question, "Do you want to use it for verification?"), "question: %s" % question)
    far.keys("Right", "Enter")  # No: the dialog, for a list of the list
    check(has_line(box(far.wait("Work Mode"), "Work Mode"), "hashlist.md5.md5"), "No did not lead to the dialog")
    far.keys("Escape"), closed(far, "Work Mode")
    open_plugin(far, "List file found"), far.keys("Enter")
    report(far, "1 mismatch(es) found", "1 files not found")
    far.marks(["b.txt"])

    # check:LIST, from a file under the cursor and from "..", nothing selected.
    for place in ("hashlist.md5", ".."):
        select(far, [])
        cursor(far, place)
        far.type("check:hashlist.md5"), far.keys("Enter")
        report(far, "1 mismatch(es) found", "1 files not found")
        far.marks(["b.txt"])


def compare(far):
    """The other panel: one file differs, one is missing, then Ignore Missing Files; greyed for the same folder."""
    files = dict(FILES, **{"d.txt": b"left only"})
    put(far.left, files)
    put(far.right, dict(FILES, **{"b.txt": b"other"}))
    far.start()
    names = sorted(files)
    select(far, names)
    open_plugin(far, "Work Mode"), far.keys("M-p", "Enter")
    report(far, "1 mismatch(es) found", "1 files not found")
    far.marks(["b.txt", "d.txt"], ["b.txt"])
    select(far, names)
    open_plugin(far, "Work Mode"), far.keys("M-p", "M-i")
    far.wait("[x] Ignore Missing Files"), far.keys("Enter")
    report(far, "1 mismatch(es) found", absent=["not found"])

    # Both panels on one folder: comparison is not offered.
    far.keys("Tab"), far.settle()
    far.type("cd " + winpath(far.left)), far.keys("Enter")
    far.wait(lambda s: s.count("d.txt") >= 2)
    far.keys("Tab"), far.settle()
    cursor(far, "a.txt")
    open_plugin(far, "Work Mode")
    grey = "".join(ch for row in far.cells() for ch, fg, _ in row if fg == 90)
    check("Compare Against Another Panel" in grey and "Ignore Missing Files" in grey,
          "comparison offered for the same folder (grey: %r)" % grey)
    far.keys("M-p", "Escape"), closed(far, "Work Mode")


def subfolders(far):
    """Process subfolders on: a folder's nested files go into the list; a changed one selects its folder."""
    files = {"a.txt": b"abc", "sub/x.txt": b"x", "sub/deep/y.txt": b"y"}
    put(far.left, files)
    far.start()
    configure(far, "Configuration"), far.keys("M-s"), far.wait("[x] Process subfolders"), far.keys("Enter")
    close_configuration(far, "Configuration")
    select(far, ["sub", "a.txt"])
    check(has_line(box(open_plugin(far, "Work Mode"), "Work Mode"), "hashlist.md5"), "not hashlist.md5")
    far.keys("Enter"), closed(far, "Work Mode")
    path = os.path.join(far.left, "hashlist.md5")
    far.wait(lambda s: os.path.exists(path))
    # Folders come first in the panel; below one, its files sorted part by part.
    check(read(path) == list_bytes("MD5", files, ["sub/deep/y.txt", "sub/x.txt", "a.txt"]),
          "hashlist.md5 holds %r" % read(path))
    far.marks([])
    put(far.left, {"sub/deep/y.txt": b"changed"})
    cursor(far, "hashlist.md5")
    open_plugin(far, "List file found"), far.keys("Enter")
    report(far, "1 mismatch(es) found")
    far.marks(["sub"])


def escape(far):
    """Esc on a big file: asked first and Yes aborts; with Confirm Abort off it aborts at once. No list."""
    with open(os.path.join(far.left, "big.bin"), "wb") as f:
        f.truncate(16 << 30)  # sparse: long to hash, no disk
    far.start()
    for confirm in (True, False):
        cursor(far, "big.bin")
        open_plugin(far, "Work Mode"), far.keys("Enter")
        far.wait("Progress", 60), far.keys("Escape")
        if confirm:
            check(has_line(box(far.wait("Abort operation?"), "Confirm"), "Abort operation?"), "no question")
            far.keys("Enter")
        far.wait(lambda s: "Progress" not in s and "Confirm" not in s)
        check("Abort operation?" not in far.settle(), "asked with Confirm Abort off")
        check(not os.path.exists(os.path.join(far.left, "big.bin.md5")), "a list was written")
        if confirm:  # Confirm Abort off: from MD5 past SHA1, SHA256 and two check boxes
            configure(far, "Configuration")
            far.keys("M-2", "Down", "Down", "Down", "Down", "Down", "Space")
            far.wait("[ ] Confirm Abort"), far.keys("Enter")
            close_configuration(far, "Configuration")


class Holder:
    """hold_open.exe in the run's prefix: another program holding a file open without sharing."""

    def __init__(self, path):
        self.p = subprocess.Popen(["wine", A.hold, winpath(path)], env=wine_env(False), stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        check(self.p.stdout.readline().strip() == "held", "hold_open.exe does not hold %s" % path)

    def release(self):
        if self.p.poll() is None:
            self.p.stdin.write("\n"), self.p.stdin.flush()
            check(self.p.stdout.readline().strip() == "released", "hold_open.exe did not let go")
            self.p.wait(20)


def read_error(far):
    """A file another program holds open: Retry (asked again while held, read once let go), Skip, Abort."""
    put(far.left, FILES)
    far.start()
    names, b = sorted(FILES), os.path.join(far.left, "b.txt")
    holder = Holder(b)
    try:
        for answer, keys, ext in (("Retry", ["M-2"], "md5"), ("Skip", ["M-3"], "sha1"), ("Abort", ["M-1"], "sfv")):
            select(far, names)
            open_plugin(far, "Work Mode"), far.keys(*keys + ["Enter"])
            prompt = box(far.wait("I/O Error"), "I/O Error")
            check(has_line(prompt, "Error reading file b.txt") and has_line(prompt, "{ Skip } [ Retry ] [ Abort ]"),
                  "prompt: %s" % prompt)
            if answer == "Retry":
                far.keys("Right", "Enter")
                check("I/O Error" in far.settle(), "Retry while held did not ask again")
                holder.release()
                far.keys("Right", "Enter")
            else:
                far.keys(*{"Skip": [], "Abort": ["Right", "Right"]}[answer] + ["Enter"])
            closed(far, "I/O Error")
            path = os.path.join(far.left, "hashlist." + ext)
            if answer == "Abort":
                check(not os.path.exists(path), "Abort wrote hashlist.sfv")
                far.marks(["b.txt", "c.txt"])
                continue
            far.wait(lambda s: os.path.exists(path))
            want = names if answer == "Retry" else ["a.txt", "c.txt"]
            check(read(path) == list_bytes(ext.upper().replace("SFV", "CRC32"), FILES, want),
                  "hashlist.%s holds %r" % (ext, read(path)))
            far.marks(sorted(set(names) - set(want)))
            if answer == "Retry":
                holder = Holder(b)
    finally:
        holder.release()


def config_restart(far):
    """The configuration changed, FAR quit and started again: the values are kept and used."""
    put(far.left, FILES)
    far.start()
    dialog = "\n".join(configure(far, "Configuration"))
    for want in ("(•) 2. MD5", "[x] Auto Load Hash Files", "[x] Clear Selection After Hashing", "[x] Confirm Abort",
                 "[ ] Use Text Mode For MD5 + SHA1", "[ ] Process subfolders", "Prefix: check"):
        check(want in dialog, "the first dialog lacks %r:\n%s" % (want, dialog))
    # SHA1; Clear Selection off, Text Mode on; the prefix "hk".
    far.keys("M-3", "Down", "Down", "Down", "Space", "Down", "Down", "Space", "Down", "Down", "End", *["BSpace"] * 5)
    far.type("hk"), far.wait("Prefix: hk "), far.keys("Enter")
    close_configuration(far, "Configuration")
    far.quit()
    far.start()
    dialog = "\n".join(configure(far, "Configuration"))
    far.keys("Escape")
    close_configuration(far, "Configuration")
    for want in ("(•) 3. SHA1", "[x] Auto Load Hash Files", "[ ] Clear Selection After Hashing", "[x] Confirm Abort",
                 "[x] Use Text Mode For MD5 + SHA1", "Prefix: hk "):
        check(want in dialog, "after the restart the dialog lacks %r:\n%s" % (want, dialog))
    select(far, ["a.txt"])
    check(has_line(box(open_plugin(far, "Work Mode"), "Work Mode"), "a.txt.sha1"), "SHA1 is not proposed")
    far.keys("Enter"), closed(far, "Work Mode")
    path = os.path.join(far.left, "a.txt.sha1")
    far.wait(lambda s: os.path.exists(path))
    check(read(path) == list_bytes("SHA1", FILES, ["a.txt"], mark=" "), "a.txt.sha1 holds %r" % read(path))
    far.marks(["a.txt"])
    far.type("hk:a.txt.sha1"), far.keys("Enter")
    report(far, "0 mismatch(es) found")


def russian(far):
    """The Russian interface with OEM code page 866: a Cyrillic file and folder listed, verified and compared;
    a list of "сад.txt", whose 866 bytes are valid UTF-8 of another name, verified."""
    lng = [l.strip().strip('"') for l in read(os.path.join(A.work, "Plugins", "Hashkeep", "HashkeepRus.lng"))
           .decode("cp866").splitlines() if l.startswith('"')]
    files = {"отчёт.txt": b"report", "папка/файл.txt": b"file", "сад.txt": b"garden"}
    put(far.left, files)
    put(far.right, dict(files, **{"папка/файл.txt": b"other"}))
    far.args = ["-set:Language.Main=Russian"]
    far.start()
    # Process subfolders on: from MD5 past two algorithms and four check boxes.
    configure(far, lng[2]), far.keys("M-2", *["Down"] * 7 + ["Space"])
    far.wait("[x] " + lng[39].replace("&", "")), far.keys("Enter")
    close_configuration(far, lng[2])
    select(far, ["папка", "отчёт.txt"])
    dialog = box(open_plugin(far, lng[25]), lng[25])
    check(has_line(dialog, lng[27].replace("&", "")) and has_line(dialog, "hashlist.md5"), "dialog: %s" % dialog)
    far.keys("Enter"), closed(far, lng[25])
    path = os.path.join(far.left, "hashlist.md5")
    far.wait(lambda s: os.path.exists(path))
    # The names as FAR hands them over: in code page 866.
    check(read(path) == list_bytes("MD5", files, ["папка/файл.txt", "отчёт.txt"], encoding="cp866"),
          "hashlist.md5 holds %r" % read(path))

    put(far.left, {"отчёт.txt": b"changed"})
    cursor(far, "hashlist.md5")
    question = box(open_plugin(far, lng[8]), lng[8])
    check(has_line(question, lng[9] % "hashlist.md5"), "question: %s" % question)
    far.keys("Enter")
    shown = box(far.wait(lng[21]), lng[21])
    check(has_line(shown, lng[22] % 1), "report: %s" % shown)
    far.keys("Enter"), closed(far, lng[21])
    far.marks(["отчёт.txt"])

    put(far.left, {"отчёт.txt": b"report"})
    select(far, ["папка", "отчёт.txt"])
    open_plugin(far, lng[25]), far.keys("Up", "Up", "Up", "Space")
    far.wait("(•) " + lng[26].replace("&", "")), far.keys("Enter")
    shown = box(far.wait(lng[21]), lng[21])
    check(has_line(shown, lng[22] % 1), "report: %s" % shown)
    far.keys("Enter"), closed(far, lng[21])
    far.marks(["папка"], ["папка"])

    select(far, ["сад.txt"])
    box(open_plugin(far, lng[25]), lng[25]), far.keys("Enter"), closed(far, lng[25])
    path = os.path.join(far.left, "сад.txt.md5")
    far.wait(lambda s: os.path.exists(path))
    check(read(path) == list_bytes("MD5", files, ["сад.txt"], encoding="cp866"), "сад.txt.md5 holds %r" % read(path))
    cursor(far, "сад.txt.md5")
    box(open_plugin(far, lng[8]), lng[8]), far.keys("Enter")
    shown = box(far.wait(lng[21]), lng[21])
    check(has_line(shown, lng[22] % 0) and not has_line(shown, lng[32].split("%s")[0]), "report: %s" % shown)
    far.keys("Enter"), closed(far, lng[21])


SCENARIOS = {f.__name__: f for f in (create, verify, compare, subfolders, escape, read_error, config_restart,
                                     russian)}


def cleanup():
    for r in (False, True):
        if os.path.isdir(wine_env(r)["WINEPREFIX"]):
            subprocess.run(["wineserver", "-k"], env=wine_env(r), stderr=subprocess.DEVNULL)
    shutil.rmtree(A.work, ignore_errors=True)


def setup():
    """The release zip into DIR/Plugins; two fresh Wine prefixes (a run that was cut short ended first)."""
    cleanup()
    os.makedirs(A.work)
    packed = os.path.join(A.work, "package")
    run = subprocess.run([A.cpack, "--config", A.cpack_config, "-B", packed], capture_output=True, text=True)
    check(run.returncode == 0, "cpack failed:\n" + run.stdout + run.stderr)
    zips = glob.glob(os.path.join(packed, "Hashkeep-*-win32.zip"))
    check(len(zips) == 1, "no release zip in %s" % packed)
    with zipfile.ZipFile(zips[0]) as z:
        z.extractall(os.path.join(A.work, "Plugins"))
    for lng in ("Hashkeep.dll", "HashkeepEng.lng", "HashkeepRus.lng"):
        check(os.path.exists(os.path.join(A.work, "Plugins", "Hashkeep", lng)), "the zip holds no Hashkeep/%s" % lng)
    boots = [subprocess.Popen(["wineboot", "-i"], env=wine_env(r), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL) for r in (False, True)]
    for b in boots:
        b.wait()
    for r in (False, True):
        subprocess.run(["wineserver", "-w"], env=wine_env(r))


def main():
    global A
    p = argparse.ArgumentParser()
    p.add_argument("--far", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--hold", required=True)
    p.add_argument("--cpack", default="cpack")
    p.add_argument("--cpack-config", default="")
    p.add_argument("--limit", type=int, default=120)
    p.add_argument("scenario", choices=sorted(SCENARIOS) + ["setup", "cleanup"])
    A = p.parse_args()
    A.work = os.path.abspath(A.work)
    if A.scenario in ("setup", "cleanup"):
        try:
            (setup if A.scenario == "setup" else cleanup)()
            return 0
        except Failure as e:
            print("%s: FAILED: %s" % (A.scenario, e))
            return 1
    far = Far(A.scenario, russian=A.scenario == "russian")
    return run_scenario(far, SCENARIOS[A.scenario], A.scenario, A.limit, far.root)


if __name__ == "__main__":
    sys.exit(main())
