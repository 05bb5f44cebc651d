#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into seeds/ beside this script.

The seeds are checked in; run this again only to change them. Each is a
small real input: lists as Hashkeep, md5sum and sha1sum write them, lines at
and just past the length bound of each format, NUL bytes, every kind of line
end, comments; registry files with every value type; the language files that
ship and odd ones; the scenarios of the tests and malformed ones.
"""
import os
import zlib
import hashlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
HEADER = b"\r\n"


def digests(data):
    return (b"%08x" % zlib.crc32(data), hashlib.md5(data).hexdigest().encode(),
            hashlib.sha1(data).hexdigest().encode())


def sfv_line(length):
    # name, space, 8 digits
    return b"n" * (length - 9) + b" 352441c2"


def hash_line(digest, length, mark=b"*"):
    # digits, space, mark, name
    return digest + b" " + mark + b"m" * (length - len(digest) - 1 - len(mark))


def lists():
    crc, md5, sha1 = digests(b"abc")
    sha256 = hashlib.sha256(b"abc").hexdigest().encode()
    seeds = {
        "hashkeep.sfv": HEADER + b"abc.txt " + crc + b"\r\nmy file.txt 00000000\r\n",
        "hashkeep-binary.md5": HEADER + md5 + b" *abc.txt\r\n" + md5 + b" *dir with space.txt\r\n",
        "hashkeep-text.sha1": HEADER + sha1 + b"  abc.txt\r\n",
        "md5sum.md5": md5 + b"  abc.txt\n" + md5 + b" *b.bin\n",
        "upper-case.sha1": sha1.upper() + b" *ABC.TXT\n",
        "no-mark.md5": md5 + b" bare\n",
        "non-ascii.sfv": b"caf\xe9 \xfc\xdf.txt " + crc + b"\r\n",
        "comments.md5": b"; one\r\n// two\r\n   ; indented\r\n\t// tab\r\n" + md5 + b" *a\r\n",
        "blanks.sfv": b"  \t abc.txt " + crc + b" \t\x01\r\n\r\n \r\n",
        "nul-byte.sfv": b"abc.txt " + crc + b"\n\0after.txt 00000000\n",
        "nul-first-line.md5": md5[:10] + b"\0" + md5[10:] + b" *a\n",
        "cr-only.sfv": b"a 00000000\rb 11111111\rc 22222222\r",
        "mixed-ends.sha1": sha1 + b" *a\r\n" + sha1 + b" *b\n" + sha1 + b" *c\r" + sha1 + b" *d\n\r",
        "bad-separator.sfv": b"abc.txt\t" + crc + b"\r\n",
        "path-in-name.md5": md5 + b" *sub\\abc.txt\r\n" + md5 + b" *../up\r\n",
        "dot-names.sfv": b". 00000000\r\n.. . 00000000\r\n",
        "crc-in-md5.md5": b"abc.txt " + crc + b"\r\n",
        "byte-order-mark.sfv": b"\xef\xbb\xbf; header\r\nabc.txt " + crc + b"\r\n",
        "byte-order-mark-entry.md5": b"\xef\xbb\xbf" + md5 + b" *abc.txt\r\n",
        "byte-order-mark-cut.sfv": b"\xef\xbbabc.txt " + crc + b"\r\n",
        "absolute-path.sfv": b"; cksfv\r\n/home/user/abc.txt " + crc + b"\r\n",
        "slash-alone.md5": md5 + b" *a\r\n/\r\n/ /\r\n",
        # sha256sum and the other coreutils tools: subfolders, --tag, escapes.
        "sha256sum.sha256": sha256 + b"  ./disc 1/t01.flac\n" + sha256 + b" *sub\\b\n",
        "tagged.sha256": b"SHA256 (a) = b) = " + sha256 + b"\nSHA1 (x) = " + sha1 + b"\n",
        "escaped.sha1": b"\\" + sha1 + b"  new\\nline\\\\x\\r\n\\SHA1 (a\\tb) = " + sha1 + b"\n",
        "paths-out.md5": md5 + b" *sub/../x\n" + md5 + b" *a//b\n" + md5 + b" *c:/x\n",
        # Release files: signed, commented, other tools' tags, names as given.
        "signed.sha256": b"-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\n# 1.0\n" + sha256 +
                         b"  a\n- -x\n-----BEGIN PGP SIGNATURE-----\n\niQEz\n"
                         b"-----END PGP SIGNATURE-----\n\n",
        "openssl-rhash.md5": b"MD5(a b)= " + md5 + b"\nMD5   (c) = " + md5 + b"\nSHA2-256(d)= " +
                             sha256 + b"\n",
        "end-blanks.md5": md5 + b"  report.pdf \n" + md5 + b" *tab\t\n\\" + md5 + b" *a\\\\b \n",
        "lead-blank.sfv": b" lead.bin " + crc + b"\r\n#1 intro.flac " + crc + b"\r\n",
        "posix-names.md5": md5 + b" *12:30 a?b*<c>|\"d\"\n",
        # Formats told from the whole list: CRC32 with the digest first (7-Zip,
        # rhash --simple), cksfv's lines that read both ways, gpg --print-md
        # (refused), and armour that holds a digest line.
        "crc32-first.crc32": b"EFDCC385  c.txt\n" + crc + b" *d\nCRC32 (e) = " + crc + b"\n",
        "either-way.crc32": b"20240101 46EA081F\n" + crc + b"  20240101\n",
        "print-md.sha256": b"c.txt: BA7816BF 8F01CFEA 414140DE 5DAE2223 B00361A3 96177A9C "
                           b"B410FF61 F20015AD\nd: 90 01 50 98 3C D2 4F B0  D6 96\n"
                           b"   3F 7D 28 E1 7F 72\n",
        "armour-holds-a-line.sha256": b"-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n" +
                                      sha256 + b"  b\n\n" + sha256 + b"  a\n"
                                      b"-----BEGIN PGP SIGNATURE-----\nComment: x\n\niQEz\n" +
                                      sha256 + b"  c\n=AbCd\n-----END PGP SIGNATURE-----\n",
    }
    # The bound: digits, space, mark (MD5 and SHA1) and 259 characters.
    for length in (268, 269):
        seeds["line-%d.sfv" % length] = sfv_line(length) + b"\r\n"
    for length in (292, 293, 294):
        seeds["line-%d.md5" % length] = hash_line(md5, length) + b"\r\n"
    for length in (300, 301, 302):
        seeds["line-%d.sha1" % length] = hash_line(sha1, length, b" ") + b"\r\n"
    return seeds


def registry():
    key = b"[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Hashkeep]"
    every_type = (b"REGEDIT4\r\n\r\n; exported by hand\r\n" + key + b"\r\n"
                  b"\"AutoLoadList\"=\"1\"\r\n"
                  b"\"UseMode\"=dword:00000004\r\n"
                  b"\"ClearSelectionAfter\"=dword:00000000\r\n"
                  b"\"ConfirmAbort\"=\"yes\"\r\n"
                  b"\"TextModeForHashes\"=hex:01,00,00,00\r\n"
                  b"\"Prefix\"=hex(2):63,68,65,\\\r\n  63,6b,00\r\n"
                  b"\"Other\"=hex(7):61,00,00\r\n"
                  b"\"Text\"=hex(1):61,09,62,00\r\n"
                  b"\"Quoted\"=\"say \\\"hi\\\" C:\\\\x\"\r\n")
    return {
        "every-type.reg": every_type,
        "lf-only.reg": every_type.replace(b"\r\n", b"\n"),
        "truncated.reg": every_type[:every_type.index(b"hex(2)") + 12],
        "two-keys.reg": b"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\A]\n\"x\"=\"1\"\n\n"
                        b"[HKEY_CURRENT_USER\\software\\a]\n\"X\"=dword:0000000a\n"
                        b"[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Hashkeep]\n",
        "wrong-header.reg": b"Windows Registry Editor Version 5.00\r\n\r\n" + key + b"\r\n",
        "empty.reg": b"",
        "header-only.reg": b"REGEDIT4\n",
    }


def read(relative):
    with open(os.path.join(ROOT, relative), "rb") as source:
        return source.read()


def languages():
    english = read("lng/HashkeepEng.lng")
    seeds = {
        "hashkeep-eng.lng": english,
        "hashkeep-rus.lng": read("lng/HashkeepRus.lng"),
        "test.lng": read("tests/host_scenarios/HashkeepTst.lng"),
        "fixture.lng": read("tests/hkhost/HkFixtureEng.lng"),
        "bom-lf.lng": b"\xef\xbb\xbf.Language=English,English\n\"One\"\n\"Two\"\n",
        "cr-only.lng": b".Language=English,English\r\"One\"\r\"Two\"\r",
        "no-header.lng": b"\"One\"\n.Language=English,English\n",
        "header-only.lng": b".Language=English",
        "comments-first.lng": b"// a\n  \t// b\n\n.Language=Deutsch,German\n\"Eins\"\n",
        "unclosed-quote.lng": b".Language=English,English\n\"open\n\"\n\"\"\n",
        "names-between.lng": b".Language=English,English\nMTitle\n\"Title\"\nMText\n\"Text %s\"\n",
        "nul-inside.lng": b".Language=English,English\n\"a\0b\"\n\"\0\"\n",
        "quotes-inside.lng": b".Language=English,English\n\"say \"hi\" \" trailing\n",
        "long-line.lng": b".Language=English,English\n\"" + b"x" * 2000 + b"\"\n",
        "empty.lng": b"",
    }
    return seeds


def scenarios():
    seeds = {}
    for directory in ("tests/operation_scenarios", "tests/host_scenarios", "tests/hkhost/scenarios",
                      "tests/hkhost/failures", "examples"):
        for name in sorted(os.listdir(os.path.join(ROOT, directory))):
            if name.endswith(".scenario"):
                seeds[directory.replace("/", "-").replace("tests-", "") + "-" + name] = \
                    read(directory + "/" + name)
    seeds.update({
        "escapes.scenario": b'file "a" text "\\x00\\xff\\r\\n\\t\\"\\\\"\r\ncall menu\r\n',
        "bad-escape.scenario": b'file "a" text "\\q"\ncall menu\n',
        "short-hex.scenario": b'file "a" text "\\x4"\ncall menu\n',
        "leaving-names.scenario": b'file "../a" empty\nfile "/a" empty\nfile "a/./b" empty\ncall menu\n',
        "numbers.scenario": b"struct-size 0x100000\nmodule-number -1\nregistry \"N\" number -2147483648\n"
                            b"file \"s\" sparse 1099511627776\nfile \"p\" pattern \"x\" 268435457\n"
                            b"call config 1000\n",
        "dialog-open.scenario": b"call menu\ndialog\n  edit 4 \"x\"\n",
        "unlock-unlocked.scenario": b"call menu\nmessage 0 unlock \"a\"\n",
        "no-call.scenario": b"# nothing to run\nmessage 0\n",
        "press.scenario": b"call menu\npress \"\\x1b\" at progress 1\npress esc at progress 0\n",
    })
    return seeds


def write(directory, seeds):
    os.makedirs(directory, exist_ok=True)
    for name, content in seeds.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    write(os.path.join(HERE, "seeds", "list"), lists())
    write(os.path.join(HERE, "seeds", "registry"), registry())
    write(os.path.join(HERE, "seeds", "language"), languages())
    write(os.path.join(HERE, "seeds", "scenario"), scenarios())
