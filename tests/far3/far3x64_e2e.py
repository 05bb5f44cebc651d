#!/usr/bin/env python3
"""The native FAR 3 plug-in of the x64 zip end to end in the 64-bit FAR 3
under wine64: FAR runs in tmux with a fresh profile and the zip's folder as
its only plug-ins folder, gets keys and is judged by its screen and files.

usage: far3x64_e2e.py --far FAR.EXE --work DIR [--limit S]
                      [--cpack CPACK --cpack-config CONFIG] setup|cleanup|SCENARIO

setup unpacks the x64 zip into DIR/Plugins and makes the run's two 64-bit
Wine prefixes (DIR/wine-en, and DIR/wine-ru with Russian's code pages);
cleanup ends their Wine processes and removes them. A scenario is a
function below taking a started Far; adding one is adding a function.
"""
import argparse, glob, os, shlex, signal, sqlite3, subprocess, sys, tempfile, time, zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from tmux_screen import Failure, TmuxScreen, box, check, run_scenario  # noqa: E402

A = None  # the arguments
WINE64 = "/usr/lib/wine/wine64"
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
RUSSIAN = {"LC_ALL": "ru_RU.UTF-8", "LANG": "ru_RU.UTF-8"}
PLUGIN_GUID = "F838476D-2DFB-42E2-BDD2-E74AB66FF2BB"  # src/host/far3/guids.h


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_env(russian=False):
    env = dict(os.environ, WINEPREFIX=os.path.join(A.work, "wine-ru" if russian else "wine-en"), **WINE_ENV)
    env.pop("WINEARCH", None)  # a 64-bit prefix
    if russian:
        env.update(RUSSIAN)
    return env


class Far(TmuxScreen):
    """One 64-bit FAR 3 in one tmux server, with its own profile and -u NAME; ended by its process id."""

    WAIT = 20

    def __init__(self, name, russian=False):
        self.name, self.russian = name, russian
        self.root = tempfile.mkdtemp(prefix="hk-far3x64-%s-" % name)
        self.sock = os.path.join(self.root, "tmux")
        self.left, self.right = os.path.join(self.root, "left"), os.path.join(self.root, "right")
        self.profile = os.path.join(self.root, "profile")
        for d in (self.left, self.right):
            os.makedirs(d)
        self.pid, self.last = None, "(none)"

    def start(self):
        env = wine_env(self.russian)
        pairs = ["%s=%s" % (k, env[k]) for k in ["WINEPREFIX"] + sorted(WINE_ENV) + (sorted(RUSSIAN) if self.russian else [])]
        cmd = ["exec", "env", "-u", "WINEARCH"] + pairs + [
            WINE64, A.far, "-s", winpath(self.profile), winpath(self.profile + "-local"), "-u", self.name,
            "-p" + winpath(os.path.join(A.work, "Plugins")), winpath(self.left), winpath(self.right)]
        # Wine's own complaints go to a file, not over FAR's screen.
        self.tmux("new-session", "-d", "-x", "100", "-y", "30",
                  " ".join(map(shlex.quote, cmd)) + " 2>>" + shlex.quote(os.path.join(self.root, "wine.log")))
        self.pid = int(self.tmux("display", "-p", "#{pane_pid}").strip())
        self.wait(lambda s: s.splitlines()[-1].startswith("1"), 60)  # the key bar
        self.settle()

    def stop(self):
        if self.pid and os.path.exists("/proc/%d" % self.pid):
            os.kill(self.pid, signal.SIGKILL)
        self.pid = None
        subprocess.run(["tmux", "-S", self.sock, "kill-server"], stderr=subprocess.DEVNULL)

    def quit(self):
        """F10 and Yes: FAR ends by itself, and writes what the plug-in stored."""
        self.keys("F10"), self.wait("quit"), self.keys("Enter")
        end = time.time() + 20
        while os.path.exists("/proc/%d" % self.pid) and time.time() < end:
            time.sleep(0.1)
        check(not os.path.exists("/proc/%d" % self.pid), "FAR did not quit")
        self.stop()

    def keys(self, *keys):
        for k in keys:
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

    def reg(self, *args):
        run = subprocess.run([WINE64, "reg"] + list(args), env=wine_env(self.russian), capture_output=True,
                             text=True, errors="replace")
        return run.returncode, run.stdout

    def legacy_key(self):
        """Where FAR 3's wrapper kept a 1.x plug-in's settings for this FAR's -u NAME."""
        return "HKCU\\Software\\Far Manager\\Users\\%s\\Plugins\\Hashkeep" % self.name


def closed(far, title):
    far.wait(lambda s: " %s " % title not in s)
    far.settle()


def menu(far):
    """F11 lists Hashkeep as a native plug-in, without the 1.x mark; its box appears from the menu and from its prefix."""
    far.start()
    far.keys("F11")
    entries = box(far.wait("Plugin commands"), "Plugin commands")
    rows = [row[1:-1].strip() for row in entries[1:-1]]
    check("Hashkeep" in rows, "the plug-ins menu holds %s" % rows)
    far.keys("Enter")
    shown = box(far.wait("Hashkeep for FAR Manager 3"), "Hashkeep")
    check(any("OK" in row for row in shown), "the box: %s" % shown)
    far.keys("Enter"), closed(far, "Hashkeep")
    far.type("check:hashlist.md5"), far.keys("Enter")
    box(far.wait("check:hashlist.md5 "), "Hashkeep")
    far.keys("Enter"), closed(far, "Hashkeep")


def takeover(far):
    """The 1.x plug-in's settings in the wrapper's key for this -u NAME land in FAR 3's store, and stay in the registry."""
    planted = {"UseMode": ("REG_DWORD", "4"), "Prefix": ("REG_SZ", "hk"), "AutoLoadList": ("REG_SZ", "0"),
               "ConfirmAbort": ("REG_DWORD", "0")}
    for name, (kind, data) in planted.items():
        code, out = far.reg("add", far.legacy_key(), "/v", name, "/t", kind, "/d", data, "/f")
        check(code == 0, "reg add %s: %s" % (name, out))
    far.start()
    far.keys("F11"), far.wait("Plugin commands"), far.keys("Enter")
    far.wait("Hashkeep for FAR Manager 3"), far.keys("Enter"), closed(far, "Hashkeep")
    far.quit()
    stores = glob.glob(os.path.join(far.profile, "PluginsData", "*.db"))
    check(len(stores) == 1 and PLUGIN_GUID.lower() in stores[0].lower(), "the plug-ins' stores: %s" % stores)
    with sqlite3.connect(stores[0]) as db:
        stored = dict(db.execute("SELECT name, value FROM table_values"))
    check(stored == {"UseMode": 4, "Prefix": "hk", "AutoLoadList": "0", "ConfirmAbort": 0},
          "FAR 3's store holds %s" % stored)
    code, out = far.reg("query", far.legacy_key())
    for name in planted:
        check(code == 0 and name in out, "%s gone from the registry:\n%s" % (name, out))


SCENARIOS = {f.__name__: f for f in (menu, takeover)}


def cleanup():
    for r in (False, True):
        if os.path.isdir(wine_env(r)["WINEPREFIX"]):
            subprocess.run(["/usr/lib/wine/wineserver64", "-k"], env=wine_env(r), stderr=subprocess.DEVNULL)
    subprocess.run(["rm", "-rf", A.work])


def setup():
    """The x64 zip into DIR/Plugins; two fresh 64-bit Wine prefixes (a run cut short ended first)."""
    cleanup()
    os.makedirs(A.work)
    packed = os.path.join(A.work, "package")
    run = subprocess.run([A.cpack, "--config", A.cpack_config, "-B", packed], capture_output=True, text=True)
    check(run.returncode == 0, "cpack failed:\n" + run.stdout + run.stderr)
    zips = glob.glob(os.path.join(packed, "Hashkeep-*-far3-x64.zip"))
    check(len(zips) == 1, "no x64 FAR 3 zip in %s" % packed)
    with zipfile.ZipFile(zips[0]) as z:
        z.extractall(os.path.join(A.work, "Plugins"))
    for name in ("Hashkeep.dll", "HashkeepEng.lng", "HashkeepRus.lng"):
        check(os.path.exists(os.path.join(A.work, "Plugins", "Hashkeep", name)), "the zip holds no Hashkeep/%s" % name)
    boots = [subprocess.Popen([WINE64, "wineboot", "-i"], env=wine_env(r), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL) for r in (False, True)]
    for b in boots:
        b.wait()
    for r in (False, True):
        subprocess.run(["/usr/lib/wine/wineserver64", "-w"], env=wine_env(r))


def main():
    global A
    p = argparse.ArgumentParser()
    p.add_argument("--far", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--cpack", default="cpack")
    p.add_argument("--cpack-config", default="")
    p.add_argument("--limit", type=int, default=90)
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
    far = Far(A.scenario)
    return run_scenario(far, SCENARIOS[A.scenario], A.scenario, A.limit, far.root)


if __name__ == "__main__":
    sys.exit(main())
