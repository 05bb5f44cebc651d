#!/usr/bin/env python3
"""The plug-in and the peers read each other's SHA-256 lists of folders.

Through hkhost (natively, or hkhost.exe with Hashkeep.dll under Wine): the
plug-in, with "Process subfolders" on, lists a file and a folder, and
sha256sum -c --strict and rhash -c must accept the list. Then sha256sum and
openssl write a SHA256SUMS.txt of the same files (tagged, plain and openssl's
lines, under a comment, as releases name and write them), one file changes, and the plug-in, verifying that list from the cursor, must report
exactly that mismatch and select the folder it lies in.

Usage: peers.py --hkhost HKHOST --plugin LIBRARY [--emulator PROGRAM]
"""
import argparse, re, shutil, subprocess, sys, tempfile
from pathlib import Path

FILES = {"a.txt": b"abc", "disc 1/t01.flac": b"one", "disc 1/sub/t02.flac": b"two"}
CHANGED = "disc 1/sub/t02.flac"


def text(data):
    return '"' + "".join("\\x%02X" % byte for byte in data) + '"'


def play(args, files, statements, sandbox):
    """One hkhost run in a sandbox it keeps; the transcript."""
    lines = ['dir "work/disc 1/sub"', 'registry "UseMode" number 8',
             'registry "ProcessSubfolders" text "1"', 'panel active dir "work"']
    lines += ["file %s text %s" % (text(b"work/" + n.encode()), text(d)) for n, d in files.items()]
    scenario = sandbox.with_suffix(".scenario")
    scenario.write_text("\n".join(lines + statements) + "\n")
    run = subprocess.run(args.emulator + [args.hkhost, "--plugin", args.plugin, "--sandbox",
                                          str(sandbox), "--keep", str(scenario)], capture_output=True)
    transcript = run.stdout.decode("utf-8", "replace")
    if run.returncode != 0:
        sys.exit("hkhost failed:\n%s%s" % (transcript, run.stderr.decode("utf-8", "replace")))
    return transcript


def peer(command, directory):
    run = subprocess.run(command, cwd=directory, capture_output=True)
    if run.returncode != 0:
        sys.exit("%s failed:\n%s%s" % (" ".join(command), run.stdout.decode(), run.stderr.decode()))
    return run.stdout


def main():
    parser = argparse.ArgumentParser()
    for option in ("--hkhost", "--plugin"):
        parser.add_argument(option, required=True)
    parser.add_argument("--emulator", action="append", default=[])
    args = parser.parse_args()
    work = Path(tempfile.mkdtemp(prefix="hashkeep-peers-"))
    try:
        play(args, FILES, ['panel active select "a.txt" "disc 1"', "call menu", "dialog",
                           "  close 13"], work / "ours")
        listed = work / "ours" / "work"
        peer(["sha256sum", "-c", "--strict", "hashlist.sha256"], listed)
        peer(["rhash", "-c", "--skip-ok", "hashlist.sha256"], listed)

        sums = b"# release 1.0\n" + peer(["sha256sum", "--tag", "a.txt"], listed)
        sums += peer(["openssl", "dgst", "-sha256", "disc 1/t01.flac"], listed)
        sums += peer(["sha256sum", CHANGED], listed)
        files = dict(FILES, **{CHANGED: b"changed", "SHA256SUMS.txt": sums})
        transcript = play(args, files, ['panel active cursor "SHA256SUMS.txt"', "call menu",
                                        "message 0", "message 0"], work / "theirs")
        # The active panel's items as the run left them: "  >* "name"" for a selected one.
        active = transcript[transcript.index("== panels"):].split("passive panel")[0]
        selected = re.findall(r'^  .\*\s+"([^"]*)"', active, re.M)
        if '"1 mismatch(es) found"' not in transcript or selected != ["disc 1"]:
            sys.exit("not the one change in disc 1 (selected %r):\n%s" % (selected, transcript))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("the peers accept the plug-in's list, the plug-in finds the change in theirs")


if __name__ == "__main__":
    main()
