#!/usr/bin/env bash
# Times `hashkeep create` against the usual command-line digest tools on one
# page-cached file (1 GiB by default) and prints, per algorithm, the median
# wall time of each command (and its CPU time) and the ratio to the fastest peer.
#
# Usage: bench/compare.sh [--runs N] [--size-mib N] [--algorithms LIST]
#                         [--reference-build DIR] [HASHKEEP]
#   HASHKEEP           the hashkeep binary (default: build/default/apps/hashkeep/hashkeep)
#   --reference-build  a build directory configured with
#                      -DHASHKEEP_ACCELERATED_DIGESTS=OFF: its hashkeep and
#                      digest_file are timed as rows of their own (the
#                      portable reference alone)
#   --runs             runs of each command, at least 5 (default 7)
#   --size-mib         size of the test file (default 1024)
#   --algorithms LIST  comma-separated, of crc32, md5, sha1, sha256 (default:
#                      crc32,md5,sha1). hashkeep has no sha256 yet: for it
#                      only the digest library (digest_file) meets the peers.
# Where build/default/bench/digest_file exists, the digest library is also
# timed on its own (the checker's 32 KiB reads, no list written), once with
# every path the processor has and once with HASHKEEP_DIGEST_PATHS=none.
# Commands run round-robin, so a change in machine load spreads over all rows.
set -euo pipefail

runs=7
size_mib=1024
reference_build=""
algorithms="crc32,md5,sha1"
hashkeep=""
while (($#)); do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --size-mib) size_mib="$2"; shift 2 ;;
    --reference-build) reference_build="$2"; shift 2 ;;
    --algorithms) algorithms="$2"; shift 2 ;;
    -h | --help) sed -n '2,23p' "$0"; exit 0 ;;
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
    echo "compare.sh: no hashkeep binary at $hashkeep; timing the peers only" >&2
    hashkeep=""
fi
digest_file="$root/build/default/bench/digest_file"
[[ -x "$digest_file" ]] || digest_file=""
reference="" reference_digest_file=""
if [[ -n "$reference_build" ]]; then
    [[ -x "$reference_build/apps/hashkeep/hashkeep" ]] && reference="$reference_build/apps/hashkeep/hashkeep"
    [[ -x "$reference_build/bench/digest_file" ]] && reference_digest_file="$reference_build/bench/digest_file"
    if [[ -z "$reference$reference_digest_file" ]]; then
        echo "compare.sh: neither hashkeep nor digest_file in $reference_build" >&2
        exit 2
    fi
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/hashkeep-compare.XXXXXX")"
trap 'rm -rf "$work"' EXIT
data="$work/data.bin"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$data"
cat "$data" >/dev/null # into the page cache, where it stays for every run

# Python's zlib reading 1 MiB at a time, as a careful script would.
cat >"$work/zlib_crc32.py" <<'EOF'
import sys, zlib
crc = 0
with open(sys.argv[1], "rb", buffering=0) as f:
    while chunk := f.read(1 << 20):
        crc = zlib.crc32(chunk, crc)
print(f"{crc:08x}")
EOF

# Rows: "algorithm|label|kind|command"; kind is tool (hashkeep), peer or floor
# (a bare read of the file in the pieces hashkeep reads, for scale only).
rows=()
add() { rows+=("$1|$2|$3|$4"); }
have() { command -v "$1" >/dev/null 2>&1; }
IFS=',' read -r -a chosen <<<"$algorithms"
for algo in "${chosen[@]}"; do
    if [[ "$algo" != crc32 && "$algo" != md5 && "$algo" != sha1 && "$algo" != sha256 ]]; then
        echo "compare.sh: unknown algorithm $algo" >&2
        exit 2
    fi
    cli_knows=1
    [[ "$algo" == sha256 ]] && cli_knows=0
    if [[ -n "$hashkeep" && $cli_knows == 1 ]]; then
        add "$algo" "hashkeep" tool "'$hashkeep' create -a $algo -o '$work/list.$algo' -C '$work' data.bin"
    fi
    if [[ -n "$reference" && $cli_knows == 1 ]]; then
        add "$algo" "hashkeep (reference build)" tool "'$reference' create -a $algo -o '$work/ref.$algo' -C '$work' data.bin"
    fi
    if [[ -n "$digest_file" ]]; then
        add "$algo" "digest_file (library)" tool "'$digest_file' $algo '$data'"
        add "$algo" "digest_file (paths none)" tool "HASHKEEP_DIGEST_PATHS=none '$digest_file' $algo '$data'"
    fi
    if [[ -n "$reference_digest_file" ]]; then
        add "$algo" "digest_file (reference build)" tool "'$reference_digest_file' $algo '$data'"
    fi
    case "$algo" in
    crc32)
        have python3 && add crc32 "python3 zlib.crc32" peer "python3 '$work/zlib_crc32.py' '$data'"
        have rhash && add crc32 "rhash --crc32" peer "rhash --crc32 '$data'"
        ;;
    md5)
        have md5sum && add md5 "md5sum" peer "md5sum '$data'"
        have openssl && add md5 "openssl md5" peer "openssl md5 '$data'"
        have rhash && add md5 "rhash --md5" peer "rhash --md5 '$data'"
        ;;
    sha1)
        have sha1sum && add sha1 "sha1sum" peer "sha1sum '$data'"
        have openssl && add sha1 "openssl sha1" peer "openssl sha1 '$data'"
        have rhash && add sha1 "rhash --sha1" peer "rhash --sha1 '$data'"
        ;;
    sha256)
        have sha256sum && add sha256 "sha256sum" peer "sha256sum '$data'"
        have openssl && add sha256 "openssl sha256" peer "openssl sha256 '$data'"
        have rhash && add sha256 "rhash --sha256" peer "rhash --sha256 '$data'"
        ;;
    esac
done
add read "dd bs=32k (read only)" floor "dd if='$data' of=/dev/null bs=32k status=none"

# One warm-up each (which also checks that every command works), then the
# timed runs, round-robin. Besides the wall time, each run's CPU time (user +
# system, from wait4) is kept: on a machine shared with other work it moves
# less than the wall time does.
for row in "${rows[@]}"; do printf '%s\n' "$row"; done >"$work/rows"
model="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
python3 - "$work/rows" "$runs" "$size_mib" "$model" <<'EOF'
import os, statistics, subprocess, sys, time

rows_file, runs, size_mib, model = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
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

print(f"{model}; file {size_mib} MiB, page-cached; median of {runs} runs")
for algo in ("crc32", "md5", "sha1", "sha256", "read"):
    members = [i for i, row in enumerate(rows) if row[0] == algo]
    if not members:
        continue
    wall = {i: statistics.median(walls[i]) for i in members}
    cpu = {i: statistics.median(cpus[i]) for i in members}
    peers = [i for i in members if rows[i][2] == "peer"]
    fastest_wall = min((wall[i] for i in peers), default=None)
    fastest_cpu = min((cpu[i] for i in peers), default=None)
    print(f"\n{algo.upper():6} {'command':30} {'wall s':>7} {'cpu s':>7}  ratio to fastest peer: wall, cpu")
    for i in members:
        ratio = ""
        if fastest_wall:
            r = wall[i] / fastest_wall
            ratio = f"{r:.2f}, {cpu[i] / fastest_cpu:.2f}" + (f"  ({1 / r:.2f}x faster)" if r < 0.995 else "")
        print(f"       {rows[i][1]:30} {wall[i]:7.3f} {cpu[i]:7.3f}  {ratio}")
EOF
