#!/usr/bin/env python3
"""Cyrillic names under a Russian code page (ANSI 1251, OEM 866), under Wine.

The plug-in, through hkhost.exe, which hands it names in the OEM code page
and switches the file calls to OEM while it runs, as FAR does: its list of
Cyrillic names holds them as the host handed them, and verifies; the
comparison finds the one differing file; a name 866 cannot hold is a file
that cannot be read, said so at the read-error prompt, never a look-alike;
sha256sum's UTF-8 list verifies. hashkeep.exe, whose names are UTF-8: its
list of a folder of Cyrillic, fullwidth and CJK names names each file once
and sha256sum reads it; it verifies sha256sum's lists, with and without a
byte-order mark, and a list in the ANSI code page's bytes. Lists travel
between the two, though a name's bytes read as another name in another code
page: the plug-in's list of "сад.txt" (E1 A0 A4, valid UTF-8 of another
name), hashkeep.exe's in UTF-8 and one in ANSI 1251 ("і", which 866 lacks)
verify with both; a listed file whose name reads as another file's is never
called good.

Usage: russian_names.py --hkhost HKHOST --plugin DLL --hashkeep EXE --emulator PROGRAM
"""
import argparse, hashlib, os, re, shutil, subprocess, sys, tempfile
from pathlib import Path

RUSSIAN = dict(os.environ, LC_ALL="ru_RU.UTF-8", LANG="ru_RU.UTF-8")
ENGLISH = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")  # ANSI 1252, OEM 437
CAUSE = "the name cannot be written in this code page"
CYRILLIC = {"файл.txt": b"abc", "отчёт.bin": b"report"}
# Their bytes in 866 are valid UTF-8 of other names ("сад" is E1 A0 A4); the
# UTF-8 of "сад.txt" read in 866 names another file.
TWIN = "сад.txt".encode().decode("cp866")
WORDS = {name + ".txt": b"abc" for name in ("сад", "сок", "том", "тип", "рай", "рог")}
# Beside abc.txt, names the ANSI calls turned into others: a fullwidth "a",
# fullwidth dots (".."), a fullwidth slash, and CJK, which 866 cannot hold.
ODD = {"\uff41bc.txt": b"1", "abc.txt": b"2", "\uff0e\uff0e/f": b"3", "x\uff0fy": b"4",
       "日本.txt": b"5"}
failures = []


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def escaped(data):
    return '"' + "".join("\\x%02X" % byte for byte in data) + '"'


def check(what, condition, detail=""):
    if not condition:
        failures.append(what + (":\n" + detail if detail else ""))


def contents(path):
    return path.read_bytes() if path.exists() else b""


def make(folder, files):
    for name, data in files.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)


def play(args, sandbox, files, statements):
    """One hkhost run with the Russian code page; the transcript."""
    lines = ['dir "a"', 'dir "b"', 'registry "UseMode" number 8',
             'registry "ProcessSubfolders" text "1"', 'panel active dir "a"',
             'panel passive dir "b"']
    lines += ["file %s text %s" % (escaped(n.encode()), escaped(d)) for n, d in files.items()]
    scenario = sandbox.with_suffix(".scenario")
    scenario.write_text("\n".join(lines + statements) + "\n", encoding="utf-8")
    run = subprocess.run(args.emulator + [args.hkhost, "--plugin", args.plugin, "--sandbox",
                                          str(sandbox), "--keep", str(scenario)],
                         capture_output=True, env=RUSSIAN)
    return run.stdout.decode("utf-8", "replace")


def hashkeep(args, folder, *arguments, env=RUSSIAN):
    """The status, and standard output followed by standard error."""
    run = subprocess.run(args.emulator + [args.hashkeep, *arguments], cwd=folder,
                         capture_output=True, env=env)
    return run.returncode, (run.stdout + run.stderr).decode("utf-8", "replace").replace("\r", "")


def sha256sum(folder, *arguments):
    run = subprocess.run(["sha256sum", *arguments], cwd=folder, capture_output=True,
                         env=dict(os.environ, LC_ALL="C"))
    return run.returncode, run.stdout


def selected(transcript, side):
    """The names selected on a panel as the run left it."""
    panels = transcript[transcript.index("== panels"):]
    panel = panels.split(side + " panel ", 1)[1].split("\npassive panel ")[0]
    names = re.findall(r'^  .\*\s+"([^"]*)"', panel, re.M)
    return {n.encode().decode("unicode_escape").encode("latin-1").decode() for n in names}


def inside(folder, files):
    return {folder + "/" + name: data for name, data in files.items()}


def plugin_cases(args, work):
    oem = {name: name.encode("cp866") for name in CYRILLIC}
    # Created, then verified from the cursor: names as the host hands them.
    transcript = play(args, work / "create", inside("a", CYRILLIC), [
        'panel active select "файл.txt" "отчёт.bin"', "call menu", "dialog", "  close 13",
        "call select active", 'call cursor active "hashlist.sha256"', "call menu",
        "message 0", "message 0"])
    listed = contents(work / "create/a/hashlist.sha256")
    wanted = {sha256(d).encode() + b" *" + oem[n] for n, d in CYRILLIC.items()}
    check("the plug-in lists Cyrillic names in the host's code page",
          set(listed.split(b"\r\n")[1:-1]) == wanted, repr(listed) + "\n" + transcript)
    check("the plug-in verifies its list of Cyrillic names",
          '"0 mismatch(es) found"' in transcript and "not found" not in transcript, transcript)

    # Compared with the other panel: only the differing file is marked there.
    other = {"файл.txt": b"abc", "отчёт.bin": b"changed"}
    transcript = play(args, work / "compare", {**inside("a", CYRILLIC), **inside("b", other)}, [
        'panel active select "файл.txt" "отчёт.bin"', "call menu", "dialog", "  radio 1",
        "  close 13", "message 0"])
    check("the comparison finds the one differing Cyrillic file",
          '"1 mismatch(es) found"' in transcript and selected(transcript, "passive") ==
          {"отчёт.bin"}, transcript)

    # Names 866 cannot hold: selected (FAR hands "??.txt") and below a folder.
    # Ukrainian "і" is not in 866 (FAR hands "?.txt"), "ї" is.
    files = {"a/файл.txt": b"abc", "a/日本.txt": b"x", "a/папка/日本.txt": b"y",
             "a/папка/\uff46.txt": b"z", "a/і.txt": b"i"}
    transcript = play(args, work / "lost", files, [
        'panel active select "файл.txt" "日本.txt" "папка" "і.txt"', "call menu", "dialog",
        "  close 13", "message 0", "message 0", "message 0", "message 0"])
    listed = contents(work / "lost/a/hashlist.sha256")
    check("a name the code page cannot hold is a file that cannot be read, said so",
          transcript.count(CAUSE) == 4 and listed == b"\r\n" + sha256(b"abc").encode() + b" *" +
          oem["файл.txt"] + b"\r\n", repr(listed) + "\n" + transcript)

    # sha256sum's list, in UTF-8: every name found.
    theirs = work / "theirs"
    make(theirs, CYRILLIC)
    sums = sha256sum(theirs, *CYRILLIC)[1]
    transcript = play(args, work / "utf8", inside("a", dict(CYRILLIC, SHA256SUMS=sums)), [
        'panel active cursor "SHA256SUMS"', "call menu", "message 0", "message 0"])
    check("the plug-in verifies sha256sum's UTF-8 list of Cyrillic names",
          '"0 mismatch(es) found"' in transcript and "not found" not in transcript, transcript)


def verified(args, sandbox, files, listed):
    """The plug-in's transcript of verifying the list under the cursor."""
    return play(args, sandbox, inside("a", dict(files, **{"list.sha256": listed})), [
        'panel active cursor "list.sha256"', "call menu", "message 0", "message 0"])


def clean(transcript):
    return ('"0 mismatch(es) found"' in transcript and "not found" not in transcript and
            "skipped" not in transcript)


def travelling_cases(args, work):
    # The plug-in's list of names whose 866 bytes are valid UTF-8.
    files = WORDS
    transcript = play(args, work / "words", inside("a", files), [
        "panel active select " + " ".join('"%s"' % name for name in files), "call menu",
        "dialog", "  close 13", "call select active", 'call cursor active "hashlist.sha256"',
        "call menu", "message 0", "message 0"])
    listed = contents(work / "words/a/hashlist.sha256")
    check("the plug-in lists the words in 866", set(listed.split(b"\r\n")[1:-1]) ==
          {sha256(d).encode() + b" *" + n.encode("cp866") for n, d in files.items()}, repr(listed))
    check("the plug-in verifies its own list of those words", clean(transcript), transcript)
    status, output = hashkeep(args, work / "words/a", "verify", "hashlist.sha256")
    check("hashkeep.exe verifies the plug-in's list", status == 0, output)

    # hashkeep.exe's list, in UTF-8, and one in ANSI 1251, for the plug-in.
    folder = work / "theirs-words"
    make(folder, files)
    status, output = hashkeep(args, folder, "create", "-q", "-a", "sha256", *files)
    check("the plug-in verifies hashkeep.exe's list", status == 0 and clean(
        verified(args, work / "from-cli", files, contents(folder / "hashlist.sha256"))), output)
    ukrainian = {"і.txt": b"1", "ї.txt": b"2"}
    ansi = b"".join(sha256(d).encode() + b" *" + n.encode("cp1251") + b"\r\n"
                    for n, d in ukrainian.items())
    transcript = verified(args, work / "ansi", ukrainian, ansi)
    check("the plug-in verifies a list in 1251", clean(transcript), transcript)

    # Listed by the plug-in, TWIN ("╤Б╨░╨┤.txt") is the UTF-8 of "сад.txt",
    # which is there too: damaged, it is never called good.
    listed = b"\r\n" + sha256(b"abc").encode() + b" *" + TWIN.encode("cp866") + b"\r\n"
    transcript = verified(args, work / "twin", {"сад.txt": b"abc", TWIN: b"abd"}, listed)
    check("a name that reads as two files is a mismatch, its file selected",
          '"1 mismatch(es) found"' in transcript and selected(transcript, "active") == {TWIN},
          transcript)


def md5_line(name):
    return hashlib.md5(b"abc").hexdigest().encode() + b" *" + name + b"\r\n"


def cli_reading_cases(args, work):
    # Folders outside ASCII as arguments, under ANSI 1251 and 1252.
    for name, env in (("папка", RUSSIAN), ("café", ENGLISH)):
        top = work / ("arguments-" + name)
        for side in ("a", "b"):
            make(top / side / name, {"ф.txt": b"abc"})
        (top / "a/l.md5").write_bytes(md5_line("ф.txt".encode()))
        for where, arguments in (("a", ["create", "-r", name]), ("a", ["verify", "-C", name, "l.md5"]),
                                 (".", ["compare", "-r", "a", "b", name])):
            status, output = hashkeep(args, top / where, *arguments, env=env)
            check("hashkeep.exe " + " ".join(arguments), status == 0, output)
        check("the list names the folder", contents(top / ("a/" + name + ".md5")) ==
              b"\r\n" + md5_line(("%s/ф.txt" % name).encode()))
    # Lists hashkeep.exe reads (it read the first as "сад.txt" alone, opened
    # "bad\uFFFD.txt" twice and refused the last), missing files ignored.
    lists = [("a name that reads as two files", {"сад.txt": b"abc", TWIN: b"abd"},
              md5_line("сад.txt".encode()), ["сад.txt: FAILED", "reads as two different files"]),
             ("a name that reads as a file and a folder", {"сад.txt": b"abc", TWIN + "/x": b""},
              md5_line("сад.txt".encode()), ["сад.txt: FAILED"]),
             ("no UTF-8 after the byte-order mark", {"bad\ufffd.txt": b"abc"},
              b"\xef\xbb\xbf" + md5_line(b"bad\xff.txt") + md5_line(b"bad\xfe.txt"),
              ["bad?.txt: SKIPPED\nbad?.txt: SKIPPED\n", "the name is not valid UTF-8"]),
             # An escaped a\\b is the POSIX file a\b, not b in the folder a.
             ("names Windows cannot hold", {"abc.txt": b"abc", "a/b": b"abc"},
              md5_line(b"12:30 meeting.txt") + md5_line(b"a*b") + md5_line(b"abc.txt") + b"\\" +
              md5_line(b"a\\\\b"), ["12:30 meeting.txt: SKIPPED\na*b: SKIPPED\nabc.txt: OK\n"
                                    "a\\b: SKIPPED\n", "a*b: cannot exist on this system"])]
    for number, (what, files, listed, wanted) in enumerate(lists):
        folder = work / ("lists-%d" % number)
        make(folder, dict(files, **{"l.md5": listed}))
        status, output = hashkeep(args, folder, "verify", "--ignore-missing", "l.md5")
        check(what, status == 1 and all(w in output for w in wanted), output)


def cli_cases(args, work):
    # hashkeep.exe's list of a folder: each name once, in UTF-8, read by sha256sum.
    folder = work / "cli"
    make(folder, dict(CYRILLIC, **ODD))
    status, output = hashkeep(args, folder, "create", "-q", "-a", "sha256", "-r", ".")
    listed = contents(folder / "hashlist.sha256")
    names = sorted(line.split(b" *", 1)[1].decode("utf-8", "replace")
                   for line in listed.split(b"\r\n")[1:-1])
    check("hashkeep lists each file once by its own name", status == 0 and names == sorted(
        dict(CYRILLIC, **ODD)), "%d %r\n%s" % (status, names, output))
    status, output = sha256sum(folder, "-c", "--strict", "hashlist.sha256")
    check("sha256sum reads hashkeep's list", status == 0, output.decode("utf-8", "replace"))

    # sha256sum's lists, with and without the byte-order mark, and the ANSI
    # code page's bytes: hashkeep verifies each, and names the one change.
    sums = sha256sum(folder, *CYRILLIC)[1]
    lists = {"plain.sha256": sums, "marked.sha256": b"\xef\xbb\xbf" + sums,
             "ansi.sha256": sums.decode().encode("cp1251")}
    for name, text in lists.items():
        (folder / name).write_bytes(text)
        status, output = hashkeep(args, folder, "verify", "-q", name)
        check("hashkeep verifies " + name, status == 0, output)
    (folder / "файл.txt").write_bytes(b"changed")
    status, output = hashkeep(args, folder, "verify", "-q", "plain.sha256")
    check("hashkeep names the one changed file", status == 1 and "файл.txt: FAILED" in output
          and "отчёт.bin: OK" in output, output)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--hkhost", "--plugin", "--hashkeep"):
        parser.add_argument(option, required=True)
    parser.add_argument("--emulator", action="append", default=[])
    args = parser.parse_args()
    locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    if "ru_RU.utf8" not in locales:
        sys.exit("the ru_RU.UTF-8 locale is missing (.ci/run generates it)")
    work = Path(tempfile.mkdtemp(prefix="hashkeep-russian-"))
    try:
        plugin_cases(args, work)
        travelling_cases(args, work)
        cli_reading_cases(args, work)
        cli_cases(args, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        sys.exit("\n\n".join(failures))
    print("Cyrillic names create, verify and compare; names the code page lacks are said so")


if __name__ == "__main__":
    main()
