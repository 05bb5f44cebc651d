#!/usr/bin/env python3
"""The x64 zip's native FAR 3 plug-in end to end in the 64-bit FAR 3 under
wine64: far3_e2e.py's FAR and helpers (cursor, select, open_plugin,
list_bytes...) with Wine's 64-bit loader, in 64-bit prefixes (wine-en,
wine-ru). A scenario is a function below taking a Far.

usage: far3x64_e2e.py --far FAR.EXE --work DIR [--limit S]
                      [--cpack CPACK --cpack-config CONFIG] setup|cleanup|SCENARIO
"""
import argparse, glob, os, sqlite3, subprocess, sys, zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import far3_e2e as base  # noqa: E402
from tmux_screen import Failure, box, check, run_scenario  # noqa: E402
from far3_e2e import closed, wine_env  # noqa: E402

WINE64, WINESERVER64 = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64"
PLUGIN_GUID = "F838476D-2DFB-42E2-BDD2-E74AB66FF2BB"  # src/host/far3/guids.h


class Far(base.Far):
    LOADER = WINE64

    def reg(self, *args):
        run = subprocess.run([WINE64, "reg"] + list(args), env=wine_env(self.russian), capture_output=True,
                             text=True, errors="replace")
        return run.returncode, run.stdout

    def legacy_key(self):  # where FAR 3's wrapper kept a 1.x plug-in's settings for this -u NAME
        return "HKCU\\Software\\Far Manager\\Users\\%s\\Plugins\\Hashkeep" % self.name


def menu(far):
    """F11 lists Hashkeep as a native plug-in, without the 1.x mark; its box appears from the menu and from its prefix."""
    far.start()
    far.keys("F11")
    rows = [row[1:-1].strip() for row in box(far.wait("Plugin commands"), "Plugin commands")[1:-1]]
    check("Hashkeep" in rows, "the plug-ins menu holds %s" % rows)
    far.keys("Enter")
    box(far.wait("Hashkeep for FAR Manager 3"), "Hashkeep")
    far.keys("Enter"), closed(far, "Hashkeep")
    far.type("check:hashlist.md5"), far.settle(), far.keys("Enter")
    shown = box(far.wait(" Hashkeep ═"), "Hashkeep")  # the box, not the command line
    check(any("check:hashlist.md5" in row for row in shown), "the box: %s" % shown)
    far.keys("Enter"), closed(far, "Hashkeep")


def takeover(far):
    """The 1.x plug-in's settings in the wrapper's key for this -u NAME land in FAR 3's store, and stay in the registry."""
    planted = {"UseMode": ("REG_DWORD", "4"), "Prefix": ("REG_SZ", "hk"), "AutoLoadList": ("REG_SZ", "0"),
               "ConfirmAbort": ("REG_DWORD", "0")}
    for name, (kind, data) in planted.items():
        code, out = far.reg("add", far.legacy_key(), "/v", name, "/t", kind, "/d", data, "/f")
        check(code == 0, "reg add %s: %s" % (name, out))
    far.start()
    base.open_plugin(far, "Hashkeep for FAR Manager 3"), far.keys("Enter"), closed(far, "Hashkeep")
    far.quit()
    stores = glob.glob(os.path.join(far.root, "profile", "PluginsData", "*.db"))
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
            subprocess.run([WINESERVER64, "-k"], env=wine_env(r), stderr=subprocess.DEVNULL)
    subprocess.run(["rm", "-rf", base.A.work])


def setup():
    """The x64 zip into DIR/Plugins; two fresh 64-bit Wine prefixes (a run cut short ended first)."""
    cleanup()
    packed = os.path.join(base.A.work, "package")
    run = subprocess.run([base.A.cpack, "--config", base.A.cpack_config, "-B", packed], capture_output=True,
                         text=True)
    check(run.returncode == 0, "cpack failed:\n" + run.stdout + run.stderr)
    zips = glob.glob(os.path.join(packed, "Hashkeep-*-far3-x64.zip"))
    check(len(zips) == 1, "no x64 FAR 3 zip in %s" % packed)
    with zipfile.ZipFile(zips[0]) as z:
        z.extractall(os.path.join(base.A.work, "Plugins"))
    check(os.path.exists(os.path.join(base.A.work, "Plugins", "Hashkeep", "Hashkeep.dll")), "the zip holds no DLL")
    for language in ("Eng", "Rus"):  # our code page 866 files as UTF-8 with a byte-order mark, line ends kept
        source = base.read(os.path.join(base.A.source, "lng", "Hashkeep%s.lng" % language))
        shipped = base.read(os.path.join(base.A.work, "Plugins", "Hashkeep", "Hashkeep%s.lng" % language))
        check(shipped == b"\xef\xbb\xbf" + source.decode("cp866").encode(), "Hashkeep%s.lng differs" % language)
    boots = [subprocess.Popen([WINE64, "wineboot", "-i"], env=wine_env(r), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL) for r in (False, True)]
    for b in boots:
        b.wait()
    for r in (False, True):
        subprocess.run([WINESERVER64, "-w"], env=wine_env(r))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--far", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--cpack", default="cpack")
    p.add_argument("--cpack-config", default="")
    p.add_argument("--source", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    p.add_argument("--limit", type=int, default=90)
    p.add_argument("scenario", choices=sorted(SCENARIOS) + ["setup", "cleanup"])
    base.A = p.parse_args()
    base.A.work = os.path.abspath(base.A.work)
    os.environ.pop("WINEARCH", None)  # 64-bit prefixes
    if base.A.scenario in ("setup", "cleanup"):
        try:
            (setup if base.A.scenario == "setup" else cleanup)()
            return 0
        except Failure as e:
            print("%s: FAILED: %s" % (base.A.scenario, e))
            return 1
    far = Far(base.A.scenario, russian=base.A.scenario.endswith("russian"))
    return run_scenario(far, SCENARIOS[base.A.scenario], base.A.scenario, base.A.limit, far.root)


if __name__ == "__main__":
    sys.exit(main())
