#!/usr/bin/env python3
"""The plug-in and the peers read each other's SHA-256 lists with subfolders.

Through hkhost (natively, or hkhost.exe with Hashkeep.dll under Wine): the
plug-in, with "Process subfolders" on, writes one list of a file and a
folder; sha256sum -c --strict and rhash -c must accept it. Then sha256sum
writes a SHA256SUMS of the same files (tagged and plain lines), one file
changes, and the plug-in, verifying the list under the cursor, must report
exactly that one mismatch and select the folder it lies in.

Usage: peers.py --hkhost HKHOST --plugin LIBRARY [--emulator PROGRAM]
"""
import argparse
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

FILES = {"a.txt": b"abc", "disc 1/t01.flac": b"one", "disc 1/sub/t02.flac": b"two"}
CHANGED = "disc 1/sub/t02.flac"


def quoted(data):
    """Bytes as a scenario text: printable ASCII as it is, the rest escaped."""
    out = ""
    for byte in data:
        char = chr(byte)
        if char in '"\\':
            out += "\\" + char
        elif 32 <= byte < 127:
            out += char
        else:
            out += "\\x%02X" % byte
    return '"' + out + '"'


def setting_up(files):
    lines = ['dir "work"', 'dir "work/disc 1"', 'dir "work/disc 1/sub"']
    lines += ["file %s text %s" % (quoted(("work/" + name).encode()), quoted(data))
              for name, data in files.items()]
    lines += ['registry "UseMode" number 8', 'registry "ProcessSubfolders" text "1"',
              'panel active dir "work"']
    return lines


def play(args, statements, sandbox):
    """One hkhost run in a fresh sandbox it keeps; the transcript."""
    scenario = sandbox.parent / (sandbox.name + ".scenario")
    scenario.write_text("\n".join(statements) + "\n")
    command = args.emulator + [args.hkhost, "--plugin", args.plugin, "--sandbox",
                               str(sandbox), "--keep", str(scenario)]
    run = subprocess.run(command, capture_output=True)
    transcript = run.stdout.decode("utf-8", "replace")
    if run.returncode != 0:
        sys.exit("hkhost failed (%d):\n%s%s" % (run.returncode, transcript,
                                                run.stderr.decode("utf-8", "replace")))
    return transcript


def peer(command, directory):
    run = subprocess.run(command, cwd=directory, capture_output=True)
    if run.returncode != 0:
        sys.exit("%s refused the list:\n%s%s" % (" ".join(command), run.stdout.decode(),
                                                  run.stderr.decode()))
    return run.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hkhost", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--emulator", action="append", default=[])
    args = parser.parse_args()
    work = Path(tempfile.mkdtemp(prefix="hashkeep-peers-"))
    try:
        # The plug-in writes; the peers read.
        written = work / "written"
        play(args, setting_up(FILES) + ['panel active select "a.txt" "disc 1"', "call menu",
                                        "dialog", "  close 13"], written)
        listed = written / "work"
        peer(["sha256sum", "-c", "--strict", "hashlist.sha256"], listed)
        peer(["rhash", "-c", "--skip-ok", "hashlist.sha256"], listed)

        # sha256sum writes; the plug-in reads and finds the one change.
        sums = peer(["sha256sum", "--tag", "a.txt", "disc 1/t01.flac"], listed)
        sums += peer(["sha256sum", CHANGED], listed)
        files = dict(FILES)
        files[CHANGED] = b"changed"
        files["SHA256SUMS"] = sums
        transcript = play(args, setting_up(files) + ['panel active cursor "SHA256SUMS"',
                                                     "call menu", "message 0", "message 0"],
                          work / "read")
        if '"1 mismatch(es) found"' not in transcript:
            sys.exit("the plug-in did not report the one change:\n" + transcript)
        panels = transcript[transcript.index("== panels"):]
        # "  >* "name"": the cursor mark, then the selection mark.
        selected = re.findall(r'^  .\*\s+"([^"]*)"', panels.split("passive panel")[0], re.M)
        if selected != ["disc 1"]:
            sys.exit("selected %r instead of the folder:\n%s" % (selected, transcript))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("the peers accept the plug-in's list, the plug-in finds the change in theirs")


if __name__ == "__main__":
    main()
