#!/usr/bin/env bash
# The patch evaluation over a generated client of 2,000 files and 2 GiB, page cache warm,
# against md5sum in one process run on the same files in the same go.
#   ours_mbps     evaluation of 32-digit (MD5) codes, every file current except two
#   md5sum_mbps   md5sum over the same files in one process (md5sum_two_mbps: two processes, each
#                 on half of the files, for the parallelism the machine offers during the run)
#   header_ms     evaluation of 16-digit (header) codes; bare_ms: a loop reading 32 bytes of each file
#   sha256_mbps   the SHA-256 check of downloaded files (one after the other, as the patch worker
#                 does), against sha256sum_mbps: sha256sum in one process over the same files
# Every figure is the best of several runs. Last line: RESULT key=value ...
set -euo pipefail
top=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
helper=${EVALUATE_BENCH:-$top/build/linux/tools/evaluate-bench}
work=${EVALUATE_WORK:-$top/build/bench-evaluate}
client=$work/client
[ -x "$helper" ] || { echo "missing $helper (./run build)" >&2; exit 1; }
helper=$(realpath "$helper")

now_ns() { date +%s%N; }
best() { sort -n | head -1; }  # smallest of the numbers on stdin

# The client: 20 files of 64 MiB and 1,980 smaller ones of varied size, 2 GiB in all, in 20
# sub-folders. Kept between runs; rebuilt when the stamp is missing.
if [ ! -f "$work/stamp" ]; then
  rm -rf "$work"
  mkdir -p "$client"
  python3 - "$client" "$work/files.txt" <<'PY'
import os, sys
client, listing = sys.argv[1], sys.argv[2]
total, big, count = 2 << 30, 64 << 20, 2000
sizes = [big] * 20
rest = total - sum(sizes)
base = rest // 1980
small = [base * (50 + (i * 37) % 100) // 100 for i in range(1979)]
small.append(rest - sum(small))
sizes += small
with open(listing, "w") as out:
    for i, size in enumerate(sizes):
        rel = "data%02d/f%04d.pack" % (i % 20, i)
        path = os.path.join(client, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            left = size
            while left:
                n = min(left, 8 << 20)
                f.write(os.urandom(n))
                left -= n
        out.write(rel + "\n")
PY
  touch "$work/stamp"
fi
mapfile -t rels <"$work/files.txt"
sed "s|^|$client/|" "$work/files.txt" >"$work/paths.txt"
bytes=$(cd "$client" && cat "${rels[@]}" | wc -c)
echo "client: ${#rels[@]} files, $bytes bytes in $client"

# Warm the page cache, then the peer: md5sum in one process (and two, for reference).
cd "$client"
cat "${rels[@]}" >/dev/null
md5_runs=()
for _ in 1 2 3; do
  t0=$(now_ns); md5sum -- "${rels[@]}" >"$work/md5.txt"; t1=$(now_ns)
  md5_runs+=($(((t1 - t0) / 1000000)))
done
md5_ms=$(printf '%s\n' "${md5_runs[@]}" | best)
# Two processes show how much of a second core this machine gives right now.
half=$((${#rels[@]} / 2))
md5_two_runs=()
for _ in 1 2 3; do
  t0=$(now_ns)
  md5sum -- "${rels[@]:0:half}" >/dev/null & p1=$!
  md5sum -- "${rels[@]:half}" >/dev/null & p2=$!
  wait "$p1" "$p2"
  t1=$(now_ns)
  md5_two_runs+=($(((t1 - t0) / 1000000)))
done
md5_two_ms=$(printf '%s\n' "${md5_two_runs[@]}" | best)
echo "md5sum one process: ${md5_runs[*]} ms; two processes: ${md5_two_runs[*]} ms"

# Manifests: MD5 codes from md5sum with two entries deliberately wrong, and header codes.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
def manifest(name, codes):
    with open(f"{work}/{name}", "w", encoding="gbk") as out:
        out.write('<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo><PatchList>\n')
        for rel, code in codes:
            folder, base = rel.split("/")
            out.write(f'<Patch name="{base}" path="{folder}" size="1" CheckCode="{code}" url="http://127.0.0.1/{base}" isupdate="true"/>\n')
        out.write("</PatchList></UpdateInfo>\n")
md5 = []
for line in open(f"{work}/md5.txt"):
    digest, rel = line.split(None, 1)
    md5.append([rel.strip(), digest.upper()])
for wrong in (7, 1499):
    md5[wrong][1] = md5[wrong][1][::-1]
manifest("manifest32.xml", md5)
header = []
for rel, _ in md5:
    with open(f"{work}/client/{rel}", "rb") as f:
        header.append((rel, f.read(32)[16:24].hex().upper()))
header[1000] = (header[1000][0], "0000000000000000")
manifest("manifest16.xml", header)
PY

run_ours() {  # manifest, expected needed list -> elapsed ms
  local out
  out=$("$helper" evaluate "$client" "$1")
  case "$out" in
    *"needed=$2") ;;
    *) echo "wrong evaluation result: $out (expected needed=$2)" >&2; exit 1 ;;
  esac
  echo "$out" | sed 's/^ms=\([0-9.]*\).*/\1/'
}
ours_runs=()
for _ in 1 2 3; do ours_runs+=("$(run_ours "$work/manifest32.xml" "f0007.pack,f1499.pack")"); done
ours_ms=$(printf '%s\n' "${ours_runs[@]}" | best)
echo "ours (MD5 codes, $(nproc) cores): ${ours_runs[*]} ms"

header_runs=(); bare_runs=()
for _ in 1 2 3 4 5; do
  header_runs+=("$(run_ours "$work/manifest16.xml" "f1000.pack")")
  bare_runs+=("$("$helper" prefixes "$work/paths.txt" | sed 's/^ms=\([0-9.]*\).*/\1/')")
done
header_ms=$(printf '%s\n' "${header_runs[@]}" | best)
bare_ms=$(printf '%s\n' "${bare_runs[@]}" | best)
echo "ours (header codes): ${header_runs[*]} ms; bare 32-byte reads: ${bare_runs[*]} ms"

# SHA-256 of every file: sha256sum in one process, then the launcher's check; same digests.
sha_runs=(); ours_sha_runs=()
for _ in 1 2 3; do
  t0=$(now_ns); sha256sum -- "${rels[@]}" >"$work/sha256.txt"; t1=$(now_ns)
  sha_runs+=($(((t1 - t0) / 1000000)))
  ours_sha_runs+=("$("$helper" sha256 "$work/paths.txt" "$work/ours_sha256.txt" | sed 's/^ms=\([0-9.]*\).*/\1/')")
done
sed "s|  |  $client/|" "$work/sha256.txt" | cmp -s - "$work/ours_sha256.txt" ||
  { echo "the digests differ from sha256sum's" >&2; exit 1; }
sha_ms=$(printf '%s\n' "${sha_runs[@]}" | best)
ours_sha_ms=$(printf '%s\n' "${ours_sha_runs[@]}" | best)
echo "sha256sum one process: ${sha_runs[*]} ms; ours: ${ours_sha_runs[*]} ms"

awk -v b="$bytes" -v o="$ours_ms" -v m="$md5_ms" -v m2="$md5_two_ms" -v h="$header_ms" -v r="$bare_ms" \
  -v s="$sha_ms" -v os="$ours_sha_ms" 'BEGIN {
  ours = b / o / 1000; md5 = b / m / 1000; md5two = b / m2 / 1000; sha = b / s / 1000; oursha = b / os / 1000
  printf "RESULT ours_mbps=%.0f md5sum_mbps=%.0f ratio_md5sum=%.2f header_ms=%.1f bare_ms=%.1f ratio_header=%.2f md5sum_two_mbps=%.0f sha256_mbps=%.0f sha256sum_mbps=%.0f ratio_sha256sum=%.2f\n",
         ours, md5, ours / md5, h, r, h / r, md5two, oursha, sha, oursha / sha
}'
