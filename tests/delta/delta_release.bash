# Shared by the delta end-to-end tests (sourced after $work, $client and $maker are set): two
# versions of a release of three large files, the manifest that offers the second with chunk
# indexes, and the checks of an update from the first to the second against nginx's log.
#   a.pak  40 MiB: four scattered 4 KiB edits
#   b.pak  36 MiB: 1 MiB inserted at 10 %, then three edits
#   c.pak  32 MiB: unrelated content
delta_names=(a.pak b.pak c.pak)
versions=${LAUNCHER_SOURCE:?}/tests/delta/versions.py

# Version 1 in folder $1, version 2 in folder $2.
make_versions() {
  mkdir -p "$1" "$2"
  python3 "$versions" random "$1/a.pak" 40 11
  python3 "$versions" random "$1/b.pak" 36 12
  python3 "$versions" random "$1/c.pak" 32 13
  python3 "$versions" derive "$1/a.pak" "$2/a.pak" 21 --edits 4 > "$work/a.edits"
  python3 "$versions" derive "$1/b.pak" "$2/b.pak" 22 --insert 0.1:1048576 --edits 3 > "$work/b.edits"
  python3 "$versions" random "$2/c.pak" 32 23
}

# Writes manifest $3 for release folder $1 published under address $2, with an index beside
# every file of 1 MiB or more; further maker options follow.
make_delta_manifest() {
  local dir=$1 base=$2 out=$3
  shift 3
  "$maker" --dir "$dir" --base-url "$base" --existing "$work/template.xml" --chunks --chunks-min 1M "$@" \
    --out "$out"
  grep -q 'chunks="' "$out" || { echo "FAIL: the manifest names no chunk index"; return 1; }
}

# Body bytes that nginx, logging to $1 in the `bytes` format, sent for the path $2 (any query).
sent_bytes() {
  awk -v path="$2" '{ split($1, p, "?") } p[1] == path { sum += $3 } END { print sum + 0 }' "$1"
}

# The launcher.log line of the delta of patch $1 (the last one), empty if there is none.
delta_line() { grep -F " delta \"$1\": reused " "$client/launcher.log" | tail -1 || true; }
# One numeric field of a delta line: the number before the word $2 ("reused" takes the one after).
delta_field() {
  case $2 in
    reused) sed -n 's/.*: reused \([0-9]*\) bytes.*/\1/p' <<< "$1" ;;
    fetched) sed -n 's/.* fetched \([0-9]*\) bytes in .*/\1/p' <<< "$1" ;;
    ranges) sed -n 's/.* in \([0-9]*\) ranges,.*/\1/p' <<< "$1" ;;
    index) sed -n 's/.* index \([0-9]*\) bytes,.*/\1/p' <<< "$1" ;;
    scanned) sed -n 's/.* scanned \([0-9]*\) bytes in .*/\1/p' <<< "$1" ;;
    scan_ms) sed -n 's/.* scanned [0-9]* bytes in \([0-9]*\) ms,.*/\1/p' <<< "$1" ;;
    all_ms) sed -n 's/.* ms, \([0-9]*\) ms in all.*/\1/p' <<< "$1" ;;
  esac
}

# What nginx (log $1) sends for one whole download of c.pak of version 2 (folder $2, served
# under address path $3 at $4) into target $5 by the download command that follows (given the
# address and the target): a copy under ref/ tells its requests apart. Sets WHOLE_REFERENCE.
measure_whole_reference() {
  local log=$1 v2=$2 prefix=$3 base=$4 target=$5; shift 5
  mkdir -p "$v2/../ref"
  cp "$v2/c.pak" "$v2/../ref/c.pak"
  "$@" "$base/ref/c.pak" "$target" >/dev/null 2>&1 || { echo "FAIL: the reference whole download"; return 1; }
  WHOLE_REFERENCE=$(sent_bytes "$log" "$prefix/ref/c.pak")
  echo "a whole download of c.pak: nginx sent $WHOLE_REFERENCE bytes"
}

# The update from version 1 (in folder $1) to version 2 (folder $2), published under the
# address path $3 of the nginx logging to $4: each file byte for byte, the bytes nginx sent for
# each within its bound, then the launcher's notes on each. Every bound is checked and
# reported before the first failure ends the test.
check_delta_update() {
  local v1=$1 v2=$2 prefix=$3 log=$4 name over=""
  for name in "${delta_names[@]}"; do
    cmp "$v2/$name" "$client/$name" || { echo "FAIL: $name differs from version 2"; return 1; }
  done
  [ -z "$(ls -A "$client/DownloadCache" 2>/dev/null)" ] || { echo "FAIL: the download cache is not empty"; return 1; }
  local mib=1048576
  for name in "${delta_names[@]}"; do
    local size index sent got limit
    size=$(stat -c %s "$v2/$name")
    index=$(stat -c %s "$v2/$name.chunks")
    sent=$(sent_bytes "$log" "$prefix/$name")
    got=$(sent_bytes "$log" "$prefix/$name.chunks")
    case $name in
      a.pak) limit=$((size / 50 + index)) ;;
      b.pak) limit=$((size / 50 + mib + index)) ;;
      # Fetched whole, and only whole: no closed range of a delta was asked for it (checked
      # below). A whole download asks for open ranges, so nginx counts what it had sent past
      # each segment's end, more on a busy machine (WHOLE_REFERENCE shows one calm download of
      # it); a delta and a whole download would be twice the file.
      c.pak) limit=$((size * 3 / 2 + index)) ;;
    esac
    printf '%s: %d bytes, index %d bytes; nginx sent %d + %d for the index; bound %d\n' \
      "$name" "$size" "$index" "$sent" "$got" "$limit"
    [ $((sent + got)) -le "$limit" ] || over+=" $name"
  done
  if grep -F "$prefix/c.pak?" "$log" | grep -qE '"bytes=[0-9]+-[0-9]+"'; then
    echo "FAIL: c.pak was asked for by closed ranges, as a delta asks"; grep -F "$prefix/c.pak?" "$log"; return 1
  fi
  if [ -n "$over" ]; then
    echo "FAIL: more bytes sent than the bound for:$over; nginx's requests (path, status, bytes, range):"
    for name in $over; do grep -F "$prefix/$name" "$log"; done
    return 1
  fi
  for name in a.pak b.pak; do
    check_delta_line "$name" "$v1/$name" "$v2/$name" "$(sent_bytes "$log" "$prefix/$name")" || return 1
  done
  grep -F " delta \"c.pak\" not used, the file is fetched whole: " "$client/launcher.log" ||
    { echo "FAIL: no note that c.pak was fetched whole"; grep -F ' delta ' "$client/launcher.log"; return 1; }
  [ -z "$(delta_line c.pak)" ] || { echo "FAIL: c.pak has a delta line: $(delta_line c.pak)"; return 1; }
}

# The delta line of patch $1 (old version $2, new $3, nginx sent $4 bytes of it) tells the
# truth: every byte of the new file either reused or fetched, the whole old file scanned, the
# index's own size, and no more fetched than nginx sent.
check_delta_line() {
  local name=$1 old=$2 new=$3 sent=$4 line
  line=$(delta_line "$name")
  [ -n "$line" ] || { echo "FAIL: no delta line for $name"; grep -F ' delta ' "$client/launcher.log"; return 1; }
  echo "$line"
  local reused fetched ranges index scanned
  reused=$(delta_field "$line" reused) fetched=$(delta_field "$line" fetched) ranges=$(delta_field "$line" ranges)
  index=$(delta_field "$line" index) scanned=$(delta_field "$line" scanned)
  local field
  for field in "$reused" "$fetched" "$ranges" "$index" "$scanned" "$(delta_field "$line" scan_ms)" \
    "$(delta_field "$line" all_ms)"; do
    [ -n "$field" ] || { echo "FAIL: the delta line of $name does not read as expected"; return 1; }
  done
  [ $((reused + fetched)) = "$(stat -c %s "$new")" ] || { echo "FAIL: $name: reused + fetched is not the file's size"; return 1; }
  [ "$scanned" = "$(stat -c %s "$old")" ] || { echo "FAIL: $name: the scan did not cover the old file"; return 1; }
  [ "$index" = "$(stat -c %s "$new.chunks")" ] || { echo "FAIL: $name: the index size is not the index file's"; return 1; }
  [ "$ranges" -ge 1 ] && [ "$fetched" -le "$sent" ] || { echo "FAIL: $name: $fetched bytes fetched in $ranges ranges, nginx sent $sent"; return 1; }
}
