#!/usr/bin/env python3
"""Hashkeep.far-plug-mb end to end in far2l: far2l runs in its console mode
inside tmux with a fresh profile, finds the plug-in through its personal
plug-ins path, gets keys and is judged by its screen and the files on disk.

usage: far2l_e2e.py --far2l PROGRAM --plugins DIR [--win32 BUILD] [--limit S] SCENARIO
"""
import argparse, hashlib, os, re, shlex, shutil, signal, subprocess, sys, tempfile, time, zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from tmux_screen import Failure, TmuxScreen, box, check, put, run_scenario  # noqa: E402

A = None  # the arguments
FILES = {"a.txt": b"abc", "b.txt": bytes(range(256)) * 3, "c.txt": b"x" * 1000}
SELECTED = "226"  # far2l's default colour of a selected name (256-colour yellow)


class Far2l(TmuxScreen):
    """One far2l in one tmux server; ended by its process id."""

    def __init__(self, root, env=(), args=()):
        self.root, self.sock = root, os.path.join(root, "tmux")  # gone with the test's folder
        self.left, self.right = os.path.join(root, "left"), os.path.join(root, "right")
        for d in (self.left, self.right):
            os.makedirs(d, exist_ok=True)
        self.env, self.args, self.pid = list(env), list(args), None

    def start(self):
        cmd = ["exec", "env"] + self.env + [A.far2l, "--tty", "-u", os.path.join(self.root, "profile"),
               "-set:System.PersonalPluginsPath=" + A.plugins] + self.args + ["-cd", self.left, "-cd", self.right]
        self.tmux("new-session", "-d", "-x", "100", "-y", "30", " ".join(map(shlex.quote, cmd)))
        pane = self.tmux("display", "-p", "#{pane_pid}").strip()
        # far2l's launcher (the pane's process) runs far2l itself as its child.
        self.wait(lambda s: os.path.exists("/proc/%s/task/%s/children" % (pane, pane)) and
                  open("/proc/%s/task/%s/children" % (pane, pane)).read().split())
        self.pid = int(open("/proc/%s/task/%s/children" % (pane, pane)).read().split()[0])
        # A fresh profile shows the help window, then asks about the clipboard;
        # a restart may show the help again.
        end, calm = time.time() + 20, 0
        while time.time() < end:
            screen = self.screen()
            if " - FAR2L " in screen or "OSC52" in screen:
                self.keys("Escape")
                calm = 0
            elif re.search(r"^1\S", screen.splitlines()[-1]):
                calm += 1
                if calm == 4:  # the panels, and nothing more for a second
                    return
            time.sleep(0.3)
        raise Failure("far2l did not come up")

    def stop(self):
        if self.pid and os.path.exists("/proc/%d" % self.pid):
            os.kill(self.pid, signal.SIGKILL)  # its profile goes with the test
        self.pid = None
        subprocess.run(["tmux", "-S", self.sock, "kill-server"], stderr=subprocess.DEVNULL)

    def keys(self, *keys):
        for k in keys:  # one at a time: far2l reads a burst of keys as a paste
            self.tmux("send-keys", k)
            time.sleep(0.15)

    def selected(self, side):
        """Names drawn in the selection colour in the left or right panel."""
        names = []
        for line in self.tmux("capture-pane", "-p", "-e").splitlines()[2:25]:
            cells, fg = [], None
            for part in re.split(r"(\x1b\[[0-9;]*m)", line):  # tmux sends one colour a sequence
                if part.startswith("\x1b[38;") or part in ("\x1b[39m", "\x1b[0m", "\x1b[m"):
                    fg = part[7:-1] if part.startswith("\x1b[38;5;") else None
                elif not part.startswith("\x1b["):
                    cells += [(ch, fg) for ch in part]
            half = cells[:50] if side == "left" else cells[50:]
            name = "".join(ch for ch, c in half if c == SELECTED).strip()
            if name:
                names.append(name)
        return names


def md5_lines(files, names):
    return b"".join(b"%s *%s\n" % (hashlib.md5(files[n]).hexdigest().encode(), n.encode()) for n in names)


def entries(path):
    """A list's entry lines. far2l's lists are written as sha256sum writes
    them, which busybox and perl's shasum read: LF alone, no header line."""
    data = open(path, "rb").read()
    check(b"\r" not in data and not data.startswith(b"\n"), "%s is not in sha256sum's form: %r" % (path, data))
    return data


def sums_form(classic):
    """A list of the classic form (Hashkeep.dll's) as far2l writes it: CR LF
    turned into LF, without the empty first line."""
    data = classic.replace(b"\r\n", b"\n")
    check(data.startswith(b"\n"), "no empty first line in %r" % classic)
    return data[1:]


def cursor(far, name):
    """The left panel's cursor onto Name, as its status line shows it."""
    far.keys("Home")
    for _ in range(20):
        if far.screen().splitlines()[-4][1:].startswith(name + " "):
            return
        far.keys("Down")
    raise Failure("no %s in the panel" % name)


def open_plugin(far, want="Work Mode"):
    far.keys("F11"), far.wait("Hashkeep"), far.keys("Enter")
    return far.wait(want)


def select_all_three(far):
    far.keys("Home", "Down", "Insert", "Insert", "Insert")
    far.wait("bytes in 3 files ─")


# --- Scenarios ------------------------------------------------------------------


def create_verify(far):
    """Three files into an MD5 list from F11; then one changes and the list finds it."""
    put(far.left, dict(FILES, **{"файл.txt": b"1"}))
    far.start()
    # A name beyond ASCII keeps its whole self when the algorithm changes its extension.
    far.keys("End"), open_plugin(far), far.wait("файл.txt.md5"), far.keys("M-1")
    far.wait("файл.txt.sfv"), far.keys("M-4"), far.wait("файл.txt.sha256")
    far.keys("Escape"), far.wait(lambda s: "Work Mode" not in s)
    select_all_three(far)
    dialog = box(open_plugin(far), "Work Mode")
    # As built: 44 by 17 with the box from column 3 to 40, comparison offered.
    check(len(dialog[0]) == 38 and len(dialog) == 15, "Work Mode box is %dx%d" % (len(dialog[0]), len(dialog)))
    for want in ("( ) Compare Against Another Panel", "(•) Create Hash File", "hashlist.md5",
                 "[ ] Separate Hash Files", "(•) 2. MD5", "{ OK } [ Cancel ]"):
        check(any(want in l for l in dialog), "Work Mode box lacks %r" % want)
    far.keys("Enter")
    far.wait(lambda s: "hashlist.md5" in s and "Work Mode" not in s)
    check(entries(os.path.join(far.left, "hashlist.md5")) == md5_lines(FILES, ["a.txt", "b.txt", "c.txt"]),
          "hashlist.md5 holds other entries")
    busybox = subprocess.run(["busybox", "md5sum", "-c", "hashlist.md5"], cwd=far.left, capture_output=True)
    check(busybox.returncode == 0, "busybox md5sum -c refuses the list: %r" % busybox.stdout)
    check(far.selected("left") == [], "files still selected after hashing: %s" % far.selected("left"))

    put(far.left, {"b.txt": b"changed"})
    cursor(far, "hashlist.md5")
    question = box(open_plugin(far, "List file found"), "List file found")
    check(any("File hashlist.md5 is a valid hash list file." in l for l in question), "no list offer")
    far.keys("Enter")
    report = box(far.wait("Finished"), "Finished")
    check(any("1 mismatch(es) found" in l for l in report), "report: %s" % report)
    far.keys("Enter")
    far.wait(lambda s: "Finished" not in s)
    check(far.selected("left") == ["b.txt"], "marked: %s" % far.selected("left"))


def compare(far):
    """Compare with the other panel: equal files unmarked, the differing one marked on both sides."""
    put(far.left, FILES)
    put(far.right, dict(FILES, **{"b.txt": b"other"}))
    far.start()
    select_all_three(far)
    open_plugin(far)
    far.keys("M-p", "Enter")
    report = box(far.wait("Finished"), "Finished")
    check(any("1 mismatch(es) found" in l for l in report), "report: %s" % report)
    far.keys("Enter")
    far.wait(lambda s: "Finished" not in s)
    check(far.selected("left") == ["b.txt"] and far.selected("right") == ["b.txt"],
          "marks: left %s, right %s" % (far.selected("left"), far.selected("right")))


def escape(far):
    """Esc during a long file: asked first by default, at once with Confirm Abort off."""
    with open(os.path.join(far.left, "big.bin"), "wb") as f:
        f.truncate(3 << 30)  # sparse: long to hash, no disk
    far.start()
    for confirm in (True, False):
        far.keys("Home", "Down")  # nothing selected: the file under the cursor
        open_plugin(far)
        far.keys("Enter")
        far.wait("Progress")
        far.keys("Escape")
        if confirm:
            check(any("Abort operation?" in l for l in box(far.wait("Confirm"), "Confirm")), "no question")
            far.keys("Enter")
        far.wait(lambda s: "Progress" not in s and "Confirm" not in s)
        check(not os.path.exists(os.path.join(far.left, "big.bin.md5")), "a list was written")
        if confirm:  # Confirm Abort off
            configure(far, "Configuration")
            far.keys("M-2", "Down", "Down", "Down", "Down", "Down", "Space", "Enter")
            close_configuration(far, "Configuration")


def configure(far, title):
    """The configuration dialog from F9, Options, Plugins configuration; its focus on Cancel."""
    far.keys("F9", "Right", "Right", "Right", "Enter"), far.wait("Alt+Shift+F9")
    far.keys("Home", "Down", "Down", "Down", "Down", "Down", "Enter"), far.wait("Hashkeep")
    far.keys("Enter")
    return box(far.wait(" %s " % title), title)


def close_configuration(far, title):
    """After the dialog far2l shows the plug-ins' configuration menu again."""
    far.wait(lambda s: " %s " % title not in s and "Hashkeep" in s)
    far.keys("Escape")
    far.wait(lambda s: "Hashkeep" not in s)


def read_error(far):
    """A file another program holds: the I/O error prompt, answered Skip."""
    put(far.left, FILES)
    far.env = ["HASHKEEP_LOCKED_FILES=" + os.path.join(far.left, "b.txt")]
    far.start()
    select_all_three(far)
    open_plugin(far)
    far.keys("Enter")
    prompt = box(far.wait("I/O Error"), "I/O Error")
    check(any("Error reading file b.txt" in l for l in prompt) and
          any("{ Skip } [ Retry ] [ Abort ]" in l for l in prompt), "prompt: %s" % prompt)
    far.keys("Enter")
    far.wait(lambda s: "I/O Error" not in s and "hashlist.md5" in s)
    check(entries(os.path.join(far.left, "hashlist.md5")) == md5_lines(FILES, ["a.txt", "c.txt"]),
          "the list holds other entries than a.txt and c.txt")


def config_restart(far):
    """The configuration dialog in Russian, sized in characters; its values survive a restart."""
    far.args = ["-set:Language.Main=Russian"]
    far.start()
    lng = [l.strip().strip('"') for l in open(os.path.join(A.plugins, "Hashkeep/plug/HashkeepRus.lng"),
                                               encoding="utf-8") if l.startswith('"')]
    dialog = configure(far, lng[2])
    # Width W + 4 for the box, W the longest of messages 2 to 7 and 39 plus 4.
    check(len(dialog[0]) == max(len(t) for t in lng[2:8] + [lng[39]]) + 8,
          "box is %d cells wide" % len(dialog[0]))
    # SHA1, Clear Selection off, Text Mode on, prefix "hk".
    far.keys("M-3", "Down", "Down", "Down", "Space", "Down", "Down", "Space", "Down", "Down", "End",
             *["BSpace"] * 5)
    far.type("hk"), far.keys("Enter")
    close_configuration(far, lng[2])
    # In far2l's registry (a folder a key), where its plug-ins' settings live.
    key = [r for r, _, _ in os.walk(far.root) if r.endswith("/k-Software/k-Far2/k-Plugins/k-Hashkeep")]
    check(key and open(key[0] + "/v-UseMode").read().split() == ["UseMode", "DWORD", "4"],
          "no UseMode 4 under Software/Far2/Plugins/Hashkeep")
    far.keys("F10"), far.wait("{ "), far.keys("Enter")  # quit far2l, answering Yes
    end = time.time() + 10
    while os.path.exists("/proc/%d" % far.pid) and time.time() < end:
        time.sleep(0.1)
    check(not os.path.exists("/proc/%d" % far.pid), "far2l did not quit")
    far.stop()
    far.start()
    dialog = "\n".join(configure(far, lng[2]))
    far.keys("Escape")
    for want in ("(•) 3. SHA1", "[ ] " + lng[5], "[x] " + lng[6], "[x] " + lng[7], "Prefix: hk "):
        check(want in dialog, "after the restart the dialog lacks %r:\n%s" % (want, dialog))


def command_line(far):
    """check:LIST on far2l's command line verifies at once, without the question, with ".."
    under the cursor (where far2l reports no item at all) as with the list; from the menu the
    same cursor says there is no file, as FAR 1.70 does."""
    put(far.left, FILES)
    put(far.left, {"hashlist.md5": md5_lines(FILES, ["a.txt", "b.txt", "c.txt"])})
    put(far.left, {"c.txt": b"changed"})
    far.start()
    far.keys("Home")
    box(open_plugin(far, "No files selected"), "No data")
    far.keys("Enter")
    far.wait(lambda s: "No files selected" not in s)
    for name in ("..", "hashlist.md5"):
        far.keys("Home")
        if name != "..":
            cursor(far, name)
        far.type("check:hashlist.md5"), far.keys("Enter")
        report = box(far.wait("Finished"), "Finished")
        check(any("1 mismatch(es) found" in l for l in report), "cursor on %s: %s" % (name, report))
        far.keys("Enter")
        far.wait(lambda s: "Finished" not in s)
        check(far.selected("left") == ["c.txt"], "marked: %s" % far.selected("left"))


def wine_bytes(far):
    """The lists written in far2l are those Hashkeep.dll writes under Wine, in
    sha256sum's form: byte for byte once CR LF is LF and the DLL's empty first
    line is dropped."""
    # An MD5 list, a SHA1 list, then CRC32 one per file (their lists sort among the files).
    choices = [[], ["M-3"], ["M-1", "M-s"]]
    put(far.left, FILES)
    far.start()
    for keys in choices:
        select_all_three(far)
        open_plugin(far)
        far.keys(*keys + ["Enter"])
        far.wait(lambda s: "Work Mode" not in s and "bytes in 3 files ─" not in s)
    lists = ["hashlist.md5", "a.txt.sfv", "b.txt.sfv", "c.txt.sfv", "hashlist.sha1"]
    far.wait(lambda s: all(os.path.exists(os.path.join(far.left, n)) for n in lists))
    scenario = "".join('file "%s" text "%s"\n' % (n, "".join("\\x%02x" % b for b in d)) for n, d in FILES.items())
    scenario += "getmsg hide\n"
    for actions in ([], ["radio 10"], ["radio 8", "check 5 on"]):
        scenario += 'call select active "a.txt" "b.txt" "c.txt"\ncall menu\ndialog\n'
        scenario += "".join(a + "\n" for a in actions) + "close 13\n"
    path = os.path.join(far.root, "wine.scenario")
    open(path, "w").write(scenario)
    sandbox = os.path.join(far.root, "wine")
    hkhost = os.path.join(A.win32, "apps/hkhost/hkhost.exe")
    dll = os.path.join(A.win32, "plugin/Hashkeep.dll")
    check(os.path.exists(hkhost) and os.path.exists(dll), "no hkhost.exe and Hashkeep.dll in %s: "
          "build the win32 preset first" % A.win32)
    run = subprocess.run([A.wine_run, hkhost, "--plugin", "Z:" + dll.replace("/", "\\"), "--sandbox",
                          "Z:" + sandbox.replace("/", "\\"), "--keep", "Z:" + path.replace("/", "\\")],
                         capture_output=True, text=True)
    check(run.returncode == 0, "hkhost.exe failed:\n" + run.stdout[-3000:] + run.stderr[-2000:])
    for name in lists:
        mine, theirs = (open(os.path.join(d, name), "rb").read() for d in (far.left, sandbox))
        check(mine == sums_form(theirs), "%s differs:\nfar2l %r\nWine  %r" % (name, mine, theirs))
    check(entries(os.path.join(far.left, "a.txt.sfv")) == b"a.txt %08x\n" % zlib.crc32(FILES["a.txt"]),
          "a.txt.sfv holds another entry")


SCENARIOS = {f.__name__: f for f in (create_verify, compare, escape, read_error, config_restart,
                                     command_line, wine_bytes)}


def main():
    global A
    p = argparse.ArgumentParser()
    p.add_argument("--far2l", required=True)
    p.add_argument("--plugins", required=True)
    p.add_argument("--win32", default="")
    p.add_argument("--wine-run", default="")
    p.add_argument("--limit", type=int, default=90)
    p.add_argument("scenario", choices=sorted(SCENARIOS))
    A = p.parse_args()
    A.plugins, A.win32 = os.path.abspath(A.plugins), os.path.abspath(A.win32)
    root = tempfile.mkdtemp(prefix="hk-far2l-")
    far = Far2l(root)
    return run_scenario(far, SCENARIOS[A.scenario], A.scenario, A.limit, root)


if __name__ == "__main__":
    sys.exit(main())
