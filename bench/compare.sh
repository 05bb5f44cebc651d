#!/usr/bin/env bash
# Times hashkeep side by side with the usual tools, in one run, on the same
# page-cached files, and prints the ratios:
#   - the read floor: dd bs=1M reading the big file (1 GiB by default);
#   - each algorithm on that file: `hashkeep create -a ALGO` against its peers
#     (CRC32: python3 zlib.crc32, rhash; MD5, SHA1, SHA-256, SHA-512: md5sum,
#     sha1sum, sha256sum, sha512sum, openssl, rhash; BLAKE3: b3sum, which maps
#     the file and hashes on every core, and `b3sum --no-mmap --num-threads 1`,
#     which reads it as we do, beside it; the library's two-thread BLAKE3,
#     digest_file blake3-threads, as a row of its own); BLAKE3 is also given as
#     a multiple of the read floor (the target: 1.3x);
#   - with --win32-digest-file, the 32-bit build's digest_file.exe on the same
#     file under Wine (SHA-512 and BLAKE3), beside Wine's start-up on an
#     empty file, against the native digest_file;
#   - many files (5,000 of 100 KB by default): `hashkeep verify` of an MD5
#     list, with its workers and with -j 1, against `md5sum -c` and
#     `rhash -c`; before the timing, the output (all but its last line, the
#     bytes and time) and exit status of the workers' run are checked to be
#     those of -j 1 hashing one file at a time. Where the processor has AVX2,
#     the workers hash MD5 in lanes, 16 files at once; a row without the
#     lanes (build/default/bench/hashkeep_paths) shows what they gain, and
#     the target is 3x `md5sum -c` (elsewhere it says n/a);
#   - tiny files (100,000 of 6 to 8 bytes by default): `hashkeep verify` of
#     md5sum's list, with its workers and with -j 1, against `md5sum -c` and
#     `rhash -c`, with the peak memory of each (getrusage's maximum resident
#     size, from /usr/bin/time, which starts each command straight from its
#     own small process) and, where strace is installed, the calls on the
#     files per file (open, stat, read, close, fcntl, fadvise, lseek) of
#     hashkeep -j 1 and md5sum -c, counted on the first 10,000 files;
#   - a long list (1,000,000 entries by default, hard links to a few tiny
#     files): the peak memory of `hashkeep verify` against `md5sum -c` and
#     `rhash -c`, each run once under /usr/bin/time (package `time`).
# Every timed command runs once to warm up, then RUNS times round-robin, so a
# change in the machine's load spreads over all rows; figures are medians of
# wall time (and of CPU time, which moves less on a shared machine).
#
# Usage: bench/compare.sh [--runs N] [--size-mib N] [--files N] [--file-kb N]
#                         [--jobs N] [--algorithms LIST] [--no-many-files]
#                         [--tiny-files N] [--no-tiny-files] [--entries N]
#                         [--reference-build DIR] [--win32-digest-file EXE]
#                         [HASHKEEP]
#   HASHKEEP           the hashkeep binary (default: build/default/apps/hashkeep/hashkeep)
#   --runs             runs of each command, at least 5 (default 7)
#   --size-mib         size of the big file (default 1024)
#   --files, --file-kb the many-files case (default 5000 files of 100 KB)
#   --jobs             hashkeep's workers there (default: its own, the processors online)
#   --algorithms LIST  comma-separated, of crc32, md5, sha1, sha256, sha512, blake3
#                      (default: all six)
#   --no-many-files    leave the many-files case out
#   --tiny-files N     the tiny-files case (default 100000 files)
#   --no-tiny-files    leave the tiny-files case out
#   --entries N        entries of the long list (default 1000000; 0 leaves it out)
#   --reference-build  a build directory configured with
#                      -DHASHKEEP_ACCELERATED_DIGESTS=OFF: its hashkeep is
#                      timed as a row of its own (the portable reference alone)
#   --win32-digest-file  the 32-bit build's bench/digest_file.exe (a build of the
#                      win32 toolchain with -DHASHKEEP_BENCH=ON), run under Wine
# An algorithm the hashkeep binary does not know is timed with the digest
# library alone (build/default/bench/digest_file), and says so.
set -euo pipefail

runs=7
size_mib=1024
files=5000
file_kb=100
jobs=""
many=1
tiny=100000
entries=1000000
reference_build=""
algorithms="crc32,md5,sha1,sha256,sha512,blake3"
win32_digest_file=""
hashkeep=""
while (($#)); do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --size-mib) size_mib="$2"; shift 2 ;;
    --files) files="$2"; shift 2 ;;
    --file-kb) file_kb="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --algorithms) algorithms="$2"; shift 2 ;;
    --no-many-files) many=0; shift ;;
    --tiny-files) tiny="$2"; shift 2 ;;
    --no-tiny-files) tiny=0; shift ;;
    --entries) entries="$2"; shift 2 ;;
    --reference-build) reference_build="$2"; shift 2 ;;
    --win32-digest-file) win32_digest_file="$2"; shift 2 ;;
    -h | --help) sed -n '2,58p' "$0"; exit 0 ;;
    -*) echo "compare.sh: unknown option $1" >&2; exit 2 ;;
    *) hashkeep="$1"; shift ;;
    esac
done
if ((runs < 5)); then
    echo "compare.sh: at least 5 runs, for a median worth the name" >&2
    exit 2
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
: "${hashkeep:=$root/build/default/apps/hashkeep/hashkeep}"
if [[ ! -x "$hashkeep" ]]; then
    echo "compare.sh: no hashkeep binary at $hashkeep (build the default preset)" >&2
    exit 2
fi
digest_file="$root/build/default/bench/digest_file"
reference=""
if [[ -n "$reference_build" ]]; then
    reference="$reference_build/apps/hashkeep/hashkeep"
    if [[ ! -x "$reference" ]]; then
        echo "compare.sh: no hashkeep in $reference_build" >&2
        exit 2
    fi
fi
jobs_option=()
[[ -n "$jobs" ]] && jobs_option=(-j "$jobs")

work="$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-compare.XXXXXX")"
trap 'rm -rf "$work"' EXIT
data="$work/data.bin"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$data"

# Python's zlib reading 1 MiB at a time, as a careful script would.
cat >"$work/zlib_crc32.py" <<'EOF'
import sys, zlib
crc = 0
with open(sys.argv[1], "rb", buffering=0) as f:
    while chunk := f.read(1 << 20):
        crc = zlib.crc32(chunk, crc)
print(f"{crc:08x}")
EOF

# Rows: "group|label|kind|command"; kind: ours, peer, floor, info (timed, no
# ratio). Commands' standard output goes nowhere; they must exit with 0.
rows=()
add() { rows+=("$1|$2|$3|$4"); }
have() { command -v "$1" >/dev/null 2>&1; }
add read "dd bs=1M" floor "dd if='$data' of=/dev/null bs=1M status=none"

IFS=',' read -r -a chosen <<<"$algorithms"
printf 'x' >"$work/probe"
for algo in "${chosen[@]}"; do
    case "$algo" in crc32 | md5 | sha1 | sha256 | sha512 | blake3) ;; *)
        echo "compare.sh: unknown algorithm $algo" >&2
        exit 2
        ;;
    esac
    ext=".$algo"
    [[ "$algo" == crc32 ]] && ext=".sfv"
    [[ "$algo" == blake3 ]] && ext=".b3"
    if "$hashkeep" create -q -a "$algo" -o "$work/probe$ext" -C "$work" probe >/dev/null 2>&1; then
        add "$algo" "hashkeep" ours "'$hashkeep' create -q -a $algo -o '$work/list$ext' -C '$work' data.bin"
        [[ -n "$reference" ]] &&
            add "$algo" "hashkeep (reference build)" info "'$reference' create -q -a $algo -o '$work/ref$ext' -C '$work' data.bin"
    elif [[ -x "$digest_file" ]]; then
        echo "compare.sh: this hashkeep has no $algo; timing the digest library alone (digest_file)" >&2
        add "$algo" "digest_file (library alone)" ours "'$digest_file' $algo '$data'"
    else
        echo "compare.sh: neither hashkeep nor digest_file knows $algo; peers only" >&2
    fi
    case "$algo" in
    crc32)
        have python3 && add crc32 "python3 zlib.crc32" peer "python3 '$work/zlib_crc32.py' '$data'"
        have rhash && add crc32 "rhash --crc32" peer "rhash --crc32 '$data'"
        ;;
    blake3)
        [[ -x "$digest_file" ]] &&
            add blake3 "digest_file blake3-threads" info "'$digest_file' blake3-threads '$data'"
        have b3sum && add blake3 "b3sum" peer "b3sum '$data'"
        have b3sum && add blake3 "b3sum --no-mmap --num-threads 1" info "b3sum --no-mmap --num-threads 1 '$data'"
        ;;
    *)
        have "${algo}sum" && add "$algo" "${algo}sum" peer "${algo}sum '$data'"
        have openssl && add "$algo" "openssl $algo" peer "openssl $algo '$data'"
        have rhash && add "$algo" "rhash --$algo" peer "rhash --$algo '$data'"
        ;;
    esac
done

if [[ -n "$win32_digest_file" ]]; then
    if ! have wine || [[ ! -f "$win32_digest_file" ]]; then
        echo "compare.sh: no wine, or no $win32_digest_file: the 32-bit rows are left out" >&2
    else
        export WINEPREFIX="$work/wine" WINEDEBUG=-all
        # The prefix's server outlives the last program for a few seconds:
        # wait for it before the prefix goes.
        trap 'wineserver -w 2>/dev/null; rm -rf "$work"' EXIT
        wine wineboot -i >/dev/null 2>&1 || true
        : >"$work/empty"
        add win32 "Wine start-up (empty file)" info "wine '$win32_digest_file' sha512 '$work/empty'"
        for algo in "${chosen[@]}"; do
            case "$algo" in sha512 | blake3) ;; *) continue ;; esac
            [[ -x "$digest_file" ]] &&
                add win32 "$algo, native digest_file" info "'$digest_file' $algo '$data'"
            add win32 "$algo, 32-bit digest_file (Wine)" info "wine '$win32_digest_file' $algo '$data'"
        done
    fi
fi

if ((many)); then
    mkdir "$work/many"
    python3 - "$work/many" "$files" "$((file_kb * 1000))" <<'EOF'
import os, sys
directory, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(count):
    with open(os.path.join(directory, f"f{i:05d}.bin"), "wb") as f:
        f.write(os.urandom(size))
EOF
    (cd "$work/many" && md5sum -- f*.bin >sums.md5)
    "$hashkeep" create -q -o "$work/many/hashkeep.md5" -C "$work/many" -- $(cd "$work/many" && echo f*.bin) >/dev/null
    # The digest paths but the MD5 lanes, for hashkeep_paths.
    no_lanes="crc32-slicing8,crc32-clmul,crc32-vpclmul256,crc32-vpclmul,md5-scheduled,sha1-shani,sha256-shani"
    no_lanes+=",sha512-sse2,sha512-avx512,sha512-avx2,blake3-sse2,blake3-sse41,blake3-avx2,blake3-avx512"
    hashkeep_paths="$root/build/default/bench/hashkeep_paths"
    lanes="n/a"
    if grep -qw avx2 /proc/cpuinfo && [[ -x "$hashkeep_paths" ]]; then
        lanes="yes"
    fi
    # The workers' run reports exactly what one worker reports, hashing one
    # file at a time where hashkeep_paths can say so.
    for j in 1 n; do
        opts=("${jobs_option[@]}")
        one=("$hashkeep")
        if [[ $j == 1 ]]; then
            opts=(-j 1)
            [[ $lanes == yes ]] && one=(env "HASHKEEP_DIGEST_PATHS=$no_lanes" "$hashkeep_paths")
        fi
        set +e
        "${one[@]}" verify "${opts[@]}" "$work/many/hashkeep.md5" >"$work/out.$j" 2>"$work/err.$j"
        echo $? >"$work/status.$j"
        set -e
    done
    if cmp -s "$work/out.1" "$work/out.n" && cmp -s "$work/err.1" "$work/err.n" &&
        cmp -s "$work/status.1" "$work/status.n"; then
        identical="yes"
    else
        identical="NO"
        diff "$work/out.1" "$work/out.n" | head -5 >&2 || true
    fi
    label="hashkeep verify"
    [[ -n "$jobs" ]] && label="hashkeep verify -j $jobs"
    add many "$label" ours "'$hashkeep' verify ${jobs_option[*]} '$work/many/hashkeep.md5'"
    add many "hashkeep verify -j 1" info "'$hashkeep' verify -j 1 '$work/many/hashkeep.md5'"
    [[ $lanes == yes ]] &&
        add many "$label, no MD5 lanes" info "HASHKEEP_DIGEST_PATHS=$no_lanes '$hashkeep_paths' verify ${jobs_option[*]} '$work/many/hashkeep.md5'"
    add many "md5sum -c" peer "cd '$work/many' && md5sum -c sums.md5"
    have rhash && add many "rhash -c" peer "cd '$work/many' && rhash -c sums.md5"
fi

calls_ours="" calls_md5sum="" peaks=""
if ((tiny > 0)); then
    mkdir "$work/tiny"
    python3 - "$work/tiny" "$tiny" <<'EOF'
import os, sys
directory, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(directory, f"t{i:07d}.txt"), "wb") as f:
        f.write(f"{i:x}\n".rjust(6 + i % 3, "-").encode())
EOF
    (cd "$work/tiny" && ls | grep '^t' | xargs md5sum >"$work/tiny.md5" && mv "$work/tiny.md5" sums.md5)
    # System calls per file, counted on the first 10,000 files (the few
    # calls of a start-up spread over them), threads included.
    if have strace; then
        head -n 10000 "$work/tiny/sums.md5" >"$work/tiny/first.md5"
        counted="$(wc -l <"$work/tiny/first.md5")"
        # The calls on files; the threads' hand-overs (futex), the memory
        # map and the output are the run's, not the file's.
        per_file() {
            strace -f -c -o "$work/strace" "$@" >/dev/null 2>&1 || true
            awk -v n="$counted" '$NF ~ /^(open|openat|newfstatat|fstat|stat|lstat|statx|read|pread64|close|fcntl|fadvise64|lseek)$/ {
                calls += $4 } END { printf "%.2f", calls / n }' "$work/strace"
        }
        calls_ours="$(cd "$work/tiny" && per_file "$hashkeep" verify -j 1 first.md5)"
        calls_md5sum="$(cd "$work/tiny" && per_file md5sum -c first.md5)"
    fi
    label="hashkeep verify"
    [[ -n "$jobs" ]] && label="hashkeep verify -j $jobs"
    if [[ -x /usr/bin/time ]]; then
        peak_kib() {
            (cd "$work/tiny" && /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1) || true
            tail -n 1 "$work/peak"
        }
        peaks="$label=$(peak_kib "$hashkeep" verify "${jobs_option[@]}" sums.md5)"
        peaks+=";hashkeep verify -j 1=$(peak_kib "$hashkeep" verify -j 1 sums.md5)"
        peaks+=";md5sum -c=$(peak_kib md5sum -c sums.md5)"
        have rhash && peaks+=";rhash -c=$(peak_kib rhash -c sums.md5)"
    fi
    add tiny "$label" ours "cd '$work/tiny' && '$hashkeep' verify ${jobs_option[*]} sums.md5"
    add tiny "hashkeep verify -j 1" info "cd '$work/tiny' && '$hashkeep' verify -j 1 sums.md5"
    add tiny "md5sum -c" peer "cd '$work/tiny' && md5sum -c sums.md5"
    have rhash && add tiny "rhash -c" peer "cd '$work/tiny' && rhash -c sums.md5"
fi

for row in "${rows[@]}"; do printf '%s\n' "$row"; done >"$work/rows"
model="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
cat "$data" >/dev/null # into the page cache, where it stays for every run
python3 - "$work/rows" "$runs" "$size_mib" "$model" "$files" "$file_kb" "${identical:-}" \
    "$(nproc)" "${lanes:-n/a}" "$tiny" "$calls_ours" "$calls_md5sum" "$peaks" <<'EOF'
import os, statistics, subprocess, sys, time

rows_file, runs, size_mib, model, files, file_kb, identical, cores, lanes = sys.argv[1:10]
tiny, calls_ours, calls_md5sum, peaks = sys.argv[10:14]
runs = int(runs)
rows = [line.rstrip("\n").split("|", 3) for line in open(rows_file) if line.strip()]
error_file = os.path.join(os.path.dirname(rows_file), "stderr")

def run(cmd):
    # Standard error goes to a file: a pipe nobody reads could stall the command.
    with open(error_file, "wb") as errors:
        start = time.perf_counter()
        child = subprocess.Popen(["bash", "-c", cmd], stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        with open(error_file, errors="replace") as errors:
            sys.exit(f"compare.sh: '{cmd}' failed: {errors.read(300)}")
    return wall, usage.ru_utime + usage.ru_stime

for row in rows:
    run(row[3])
walls = [[] for _ in rows]
cpus = [[] for _ in rows]
for _ in range(runs):
    for i, row in enumerate(rows):
        wall, cpu = run(row[3])
        walls[i].append(wall)
        cpus[i].append(cpu)
wall = [statistics.median(w) for w in walls]
cpu = [statistics.median(c) for c in cpus]
peak = dict(item.split("=", 1) for item in peaks.split(";") if "=" in item)

def members(group):
    return [i for i, row in enumerate(rows) if row[0] == group]

def fastest_peer(group):
    peers = [i for i in members(group) if rows[i][2] == "peer"]
    return min(peers, key=lambda i: wall[i]) if peers else None

def ours(group):
    found = [i for i in members(group) if rows[i][2] == "ours"]
    return found[0] if found else None

print(f"{model}, {cores} processors online; median of {runs} alternated runs, wall (cpu) seconds")
floor = members("read")[0]
print(f"\nRead floor, {size_mib} MiB page-cached: dd bs=1M {wall[floor]:.3f} ({cpu[floor]:.3f})")
verdicts = []
names = {"crc32": "CRC32", "md5": "MD5", "sha1": "SHA1", "sha256": "SHA-256", "sha512": "SHA-512",
         "blake3": "BLAKE3", "many": "Many files"}
for group in ("crc32", "md5", "sha1", "sha256", "sha512", "blake3", "win32", "many", "tiny"):
    if not members(group):
        continue
    if group == "many":
        print(f"\nMany files: {files} files of {file_kb} KB, verifying an MD5 list")
    elif group == "tiny":
        print(f"\nTiny files: {int(tiny):,} files of 6 to 8 bytes, verifying md5sum's list")
    elif group == "win32":
        print(f"\nThe 32-bit build under Wine, the {size_mib} MiB file (subtract Wine's start-up)")
    else:
        print(f"\n{names[group]} of the {size_mib} MiB file")
    best, mine = fastest_peer(group), ours(group)
    for i in members(group):
        ratio = ""
        if best is not None and i != best:
            ratio = f"  {wall[best] / wall[i]:5.2f}x the fastest peer's speed"
        memory = f"  peak {int(peak[rows[i][1]]) / 1024:5.1f} MiB" if rows[i][1] in peak and group == "tiny" else ""
        print(f"  {rows[i][1]:30} {wall[i]:7.3f} ({cpu[i]:.3f}){memory}{ratio}")
    if group == "win32":
        start = [i for i in members(group) if "start-up" in rows[i][1]][0]
        for algo in ("sha512", "blake3"):
            native = [i for i in members(group) if rows[i][1] == f"{algo}, native digest_file"]
            wine = [i for i in members(group) if rows[i][1] == f"{algo}, 32-bit digest_file (Wine)"]
            if native and wine:
                r = (wall[wine[0]] - wall[start]) / wall[native[0]]
                print(f"  {names[algo]}: the 32-bit build takes {r:.2f}x the native one's time")
        continue
    if group == "blake3" and mine is not None:
        over_floor = wall[mine] / wall[floor]
        print(f"  hashkeep takes {over_floor:.2f}x the read floor's time")
        verdicts.append(("BLAKE3 within 1.3x the read floor", over_floor <= 1.3, f"{over_floor:.2f}x"))
    if mine is None or best is None:
        continue
    speed = wall[best] / wall[mine]
    if group == "crc32":
        over_floor = wall[mine] / wall[floor]
        print(f"  hashkeep takes {over_floor:.2f}x the read floor's time")
        verdicts.append(("CRC32 within 1.25x the read floor", over_floor <= 1.25, f"{over_floor:.2f}x"))
        verdicts.append(("CRC32 at least 2.5x the fastest peer", speed >= 2.5, f"{speed:.2f}x"))
    elif group == "many":
        for i in members(group):
            if rows[i][2] == "peer":
                r = wall[i] / wall[mine]
                verdicts.append((f"many files at least 1.6x {rows[i][1]}", r >= 1.6, f"{r:.2f}x"))
                if rows[i][1] == "md5sum -c" and lanes == "yes":
                    verdicts.append(("many files, MD5 lanes: at least 3x md5sum -c", r >= 3.0, f"{r:.2f}x"))
        if lanes != "yes":
            print("  MD5 lanes: n/a (no AVX2 here, or no build/default/bench/hashkeep_paths)")
        print(f"  output and exit status identical to -j 1: {identical}")
        verdicts.append(("many files: output identical to -j 1", identical == "yes", identical))
    elif group == "tiny":
        md5sum = [i for i in members(group) if rows[i][1] == "md5sum -c"]
        if md5sum:
            r = wall[md5sum[0]] / wall[mine]
            verdicts.append(("tiny files at least 1.0x md5sum -c", r >= 1.0, f"{r:.2f}x"))
            verdicts.append(("tiny files 1.5x md5sum -c (aim)", r >= 1.5, f"{r:.2f}x"))
        if calls_ours:
            print(f"  system calls per file: hashkeep -j 1 {calls_ours}, md5sum -c {calls_md5sum}")
            verdicts.append(("tiny files: at most 7 system calls per file",
                             float(calls_ours) <= 7.05, calls_ours))
    elif group == "sha512":
        openssl = [i for i in members(group) if rows[i][1] == "openssl sha512"]
        if openssl:
            r = wall[openssl[0]] / wall[mine]
            verdicts.append(("SHA-512 at least 0.9x openssl", r >= 0.9, f"{r:.2f}x"))
    elif group != "blake3":
        verdicts.append((f"{names[group]} at least 1.0x the fastest peer", speed >= 1.0, f"{speed:.2f}x"))

print("\nTargets")
for what, met, figure in verdicts:
    print(f"  {'met' if met else 'MISSED':6}  {what}: {figure}")
EOF

if ((entries > 0)); then
    if [[ ! -x /usr/bin/time ]]; then
        echo "compare.sh: no /usr/bin/time (package time): the long list is left out" >&2
        exit 0
    fi
    # Hard links to a few tiny files (one file takes 65,000 links at most):
    # a million names without a million blocks.
    mkdir "$work/long"
    python3 - "$work/long" "$entries" <<'EOF'
import hashlib, os, sys
directory, count = sys.argv[1], int(sys.argv[2])
data = b"tiny!\n"
seeds = []
with open(os.path.join(directory, "sums.md5"), "w") as sums:
    for i in range(count):
        if i % 60000 == 0:
            seeds.append(os.path.join(directory, f"seed{len(seeds)}"))
            open(seeds[-1], "wb").write(data)
        os.link(seeds[-1], os.path.join(directory, f"f{i:07d}"))
        sums.write(f"{hashlib.md5(data).hexdigest()}  f{i:07d}\n")
EOF
    peak() { # the peak resident memory of a command, in kB
        /usr/bin/time -f %M -o "$work/peak" bash -c "$1" >/dev/null 2>&1 || {
            echo "compare.sh: '$1' failed" >&2
            exit 1
        }
        tail -1 "$work/peak"
    }
    mine=$(peak "'$hashkeep' verify -q '$work/long/sums.md5'")
    echo
    echo "Long list: $entries entries, peak memory (each run once)"
    awk -v kb="$mine" 'BEGIN { printf "  %-30s %7.1f MB\n", "hashkeep verify", kb / 1000 }'
    for peer in "md5sum -c" "rhash -c"; do
        have "${peer%% *}" || continue
        theirs=$(peak "cd '$work/long' && $peer sums.md5")
        awk -v kb="$theirs" -v mine="$mine" -v peer="$peer" \
            'BEGIN { printf "  %-30s %7.1f MB  (hashkeep takes %.1fx)\n", peer, kb / 1000, mine / kb }'
    done
    awk -v kb="$mine" 'BEGIN { printf "  %-6s  long list within 16 MB: %.1f MB\n",
                               kb <= 16000 ? "met" : "MISSED", kb / 1000 }'
fi
