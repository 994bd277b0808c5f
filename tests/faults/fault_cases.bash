# The fault matrix shared by the Linux and the Wine run (sourced by linux_matrix.sh and
# wine_matrix.sh, which set the platform's part first):
#   launcher_start N      start the launcher headless with --auto-update on $client, output in
#                         $dir/runN.log; sets launcher_pid
#   holder_start FILE     hold FILE as a game does (no sharing), until holder_stop
#   held_by               what the held-file message names as the holder ("" for nothing)
#   shown_folder          the client folder as the launcher names it
#   platform_name         the platform's name in the table
# Every case runs in a folder of its own ($work/<case>) with its own stand-in server on free
# ports, and is judged on: the expected message, an end without a crash, a client folder
# changed only by patches that were installed whole (a tree of check sums before and after),
# and a second run, with the fault gone, that leaves the client up to date. The cases run in
# parallel; a table of results ends the run.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../support/e2e_common.bash"
source "$here/../patching/patch_release.bash"
maker=$(built_tool manifest-maker)
holder_tool_dir=$(dirname "$(built_tool file-holder)")

# The texts the player reads, as UTF-8.
text_disk_needs='磁盘空间不足,需要'
text_disk_free=',可用空间只有'
text_folder='登录器无法写入文件夹: '
text_folder_question='是否以管理员身份重新启动登录器?'
text_held='被其他程序占用,无法替换!'
text_held_by=' 占用程序:'
text_mismatch='下载的文件校验失败,请关闭登录器稍后尝试!'
text_done='更新完毕, 祝你游戏愉快！'
text_nothing_to_do='当前客户端无需更新的文件，祝你游戏愉快！'
text_summary='发现新的更新文件 在线更新:3 总大小:3.19MB 手动更新:0 总大小:0B'
# The patches in manifest order; replaced.dat replaces a file the client already has.
patch_files=(big.pak data/maps/world/map01.pak data/sound.pak replaced.dat)
# Room for the three pending patches: their sizes and 64 KiB each for the launcher's own
# temporary files (a little more than the up-front check asks, which counts the temporary
# files of the download in progress only).
room_needed=$((3000000 + 300000 + 50000 + 3 * 65536))

# ---------------------------------------------------------------------------------------
# Set-up shared by every case: the release, the manifest and a seed client folder.

matrix_setup() {
  seed=$work/seed
  release=$work/release
  local client=$seed
  make_release
  make_manifest
  mkdir -p "$work/results"
  # The disk and folder cases mount file systems: root in a mount namespace may.
  mounts_possible=1
  mount_probe=$work/mount-probe
  mkdir -p "$mount_probe"
  if ! mount -t tmpfs -o size=1m tmpfs "$mount_probe" 2>"$work/mount-probe.err"; then
    mounts_possible=0
    printf '%s\n' "################################################################" \
      "WARNING: cannot mount a tmpfs here ($(head -1 "$work/mount-probe.err"))." \
      "WARNING: the disk-full and read-only cases are SKIPPED." \
      "################################################################"
  else
    umount "$mount_probe"
  fi
}

# ---------------------------------------------------------------------------------------
# Helpers of one case (each runs in a subshell of its own; $dir and $client are its folders).

case_begin() {  # client folder (created from the seed)
  client=$1
  mkdir -p "$client"
  cp -a "$seed/." "$client/"
  standin_pid="" launcher_pid="" holder_pid=""
  trap case_cleanup EXIT
  tree_snapshot > "$dir/before.tree"
}

case_cleanup() {
  holder_stop
  [ -z "$launcher_pid" ] || kill "$launcher_pid" 2>/dev/null || true
  [ -z "$standin_pid" ] || kill "$standin_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  platform_case_cleanup
  for m in "${case_mounts[@]}"; do umount -l "$m" 2>/dev/null || true; done
}
case_mounts=()

# A tmpfs of $2 at folder $1, taken away when the case ends.
mount_volume() {
  mkdir -p "$1"
  mount -t tmpfs -o "size=$2" tmpfs "$1"
  case_mounts+=("$1")
}

server_start() {  # run number, fault options...
  local n=$1
  shift
  start_standin "$work/manifest.xml" "$release" "$dir/server$n.log" "$@"
  write_endpoints "$dir/endpoints.ini"
}

# The server comes back on the ports it had: a resumed download asks the address it began with.
server_restart() {  # run number, fault options...
  local n=$1
  shift
  start_standin "$work/manifest.xml" "$release" "$dir/server$n.log" --primary-port "$primary_port" \
    --secondary-port "$secondary_port" --files-port "$files_port" "$@"
}

server_stop() {
  [ -n "$standin_pid" ] || return 0
  kill "$standin_pid" 2>/dev/null || true
  wait "$standin_pid" 2>/dev/null || true
  standin_pid=""
}

# Waits for the launcher to end by itself (two minutes at most) and records its exit code in
# $dir/rcN; a launcher that has to be killed counts as hung (code 124).
launcher_wait() {  # run number
  local n=$1 i rc=0
  for ((i = 0; i < 1200; i++)); do kill -0 "$launcher_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$launcher_pid" 2>/dev/null; then
    kill -9 "$launcher_pid" 2>/dev/null || true
    wait "$launcher_pid" 2>/dev/null || true
    rc=124
  else
    wait "$launcher_pid" || rc=$?
  fi
  launcher_pid=""
  echo "$rc" > "$dir/rc$n"
}

launcher_run() {  # run number
  launcher_start "$1"
  launcher_wait "$1"
}

# The run ended by itself with exit code $2 (default 0; 5 when the update failed) and without
# a crash report.
ended_cleanly() {  # run number[, exit code]
  local n=$1 rc
  rc=$(cat "$dir/rc$n")
  [ "$rc" = "${2:-0}" ] || { echo "run $n: exit code $rc, not ${2:-0}"; return 1; }
  if grep -E 'Unhandled (exception|page fault)|Segmentation fault|Aborted|core dumped|AddressSanitizer' "$dir/run$n.log"; then
    echo "run $n: crash report in its output"
    return 1
  fi
}

# The one message box of the run contains all the given texts.
message_says() {  # run number, texts...
  local n=$1 line
  shift
  line=$(grep '^message: ' "$dir/run$n.log" || true)
  [ "$(printf '%s' "$line" | grep -c '^message: ' || true)" = 1 ] || { echo "run $n: not one message: $line"; return 1; }
  for t in "$@"; do
    case $line in *"$t"*) ;; *) echo "run $n: the message lacks '$t': $line"; return 1 ;; esac
  done
}

no_message() {  # run number
  if grep '^message: ' "$dir/run$1.log"; then echo "run $1: an unexpected message"; return 1; fi
}

last_status() { grep '^标签_更新信息: ' "$dir/run$1.log" | tail -1; }

# The run left the client up to date: its last status says so, every patch is in place
# byte for byte and nothing is left in the download cache.
up_to_date() {  # run number
  local n=$1 f status
  status=$(last_status "$n")
  case $status in
    *"$text_done"* | *"$text_nothing_to_do"*) ;;
    *) echo "run $n: last status is not the end of an update: $status"; return 1 ;;
  esac
  for f in "${patch_files[@]}"; do cmp "$release/$f" "$client/$f" || return 1; done
  [ -z "$(ls -A "$client/DownloadCache" 2>/dev/null)" ] || { echo "run $n: the download cache is not empty"; return 1; }
}

# With the fault gone, the next run brings the client up to date without a message; "resumed"
# brings the server back on its ports, for a download that resumes.
second_run_completes() {  # [resumed]
  if [ "${1:-}" = resumed ]; then server_restart 2; else server_start 2; fi
  launcher_run 2
  ended_cleanly 2
  no_message 2
  up_to_date 2
}

# A case on a 16 MiB tmpfs of its own ($volume, the client folder in it), where another file
# leaves $1 bytes free.
begin_on_volume() {  # free bytes
  volume=$dir/volume
  mount_volume "$volume" 16m
  case_begin "$volume/client"
  local avail
  avail=$(df -B1 --output=avail "$volume" | tail -1)
  head -c $((avail - $1)) /dev/zero > "$volume/other-file"
}

no_patch_fetched() {  # run number
  if grep -E 'GET /(big\.pak|data/|replaced\.dat)' "$dir/server$1.log"; then echo "run $1: a patch was fetched"; return 1; fi
}

# Check sums of every file of the client folder except what the launcher keeps for itself:
# the download cache and its log.
tree_snapshot() {
  (cd "$client" && find . -type f ! -path './DownloadCache/*' ! -name launcher.log -printf '%P\0' |
    sort -z | xargs -0 -r md5sum)
}

# Since the case began, every file that changed or appeared is a patch installed whole (equal
# to the release's copy) and none went missing.
tree_changed_only_by_patches() {
  tree_snapshot > "$dir/after.tree"
  python3 - "$dir/before.tree" "$dir/after.tree" "$release" <<'PY'
import hashlib, os, sys
def load(path):
    entries = {}
    for line in open(path, encoding='utf-8', errors='surrogateescape'):
        digest, name = line.rstrip('\n').split('  ', 1)
        entries[name] = digest
    return entries
before, after, release = load(sys.argv[1]), load(sys.argv[2]), sys.argv[3]
def released(name):
    path = os.path.join(release, name)
    return hashlib.md5(open(path, 'rb').read()).hexdigest() if os.path.isfile(path) else None
bad = [f'missing: {n}' for n in before if n not in after]
bad += [f'changed, not a whole patch: {n}' for n, d in after.items() if before.get(n) != d and released(n) != d]
if bad:
    sys.exit('; '.join(bad))
PY
}

# Waits until big.pak is being downloaded: its file is in the cache, not yet in place. (The
# server logs a request once answered, too late for that.)
big_pak_arriving() {
  for ((i = 0; i < 600; i++)); do
    [ -e "$client/DownloadCache/big.pak.tmp" ] && return 0
    [ -e "$client/big.pak" ] && break
    sleep 0.1
  done
  echo "big.pak was not seen arriving"
  return 1
}

holder_stop() {
  [ -n "${holder_pid:-}" ] || return 0
  kill "$holder_pid" 2>/dev/null || true
  wait "$holder_pid" 2>/dev/null || true
  holder_pid=""
}

# ---------------------------------------------------------------------------------------
# The cases. Each prints what it checks; the first failing check ends it.

# The volume cannot hold the pending patches: the disk-space message, nothing fetched. Then
# the other file is deleted and the next run updates the client.
case_disk_full_before() {
  begin_on_volume $((room_needed - 1048576))
  server_start 1
  launcher_run 1
  server_stop
  ended_cleanly 1 5
  message_says 1 "$text_disk_needs" "$text_disk_free"
  no_patch_fetched 1
  [ -z "$(ls -A "$client/DownloadCache" 2>/dev/null)" ]
  tree_changed_only_by_patches
  rm "$volume/other-file"
  second_run_completes
}

# The up-front check passes; while the first patch arrives (slowly), another file takes the
# rest of the volume. The run ends with the disk-space message, whatever patch met the full
# disk, and nothing half-written is installed.
case_disk_fills() {
  begin_on_volume $((room_needed + 262144))
  server_start 1 --fault files:rate=150000
  launcher_start 1
  big_pak_arriving
  cat /dev/zero >> "$volume/other-file" 2>/dev/null || true
  echo "the other file filled the volume: $(df -B1 --output=avail "$volume" | tail -1) bytes free"
  launcher_wait 1
  server_stop
  ended_cleanly 1 5
  message_says 1 "$text_disk_needs" "$text_disk_free"
  tree_changed_only_by_patches
  rm "$volume/other-file"
  second_run_completes resumed
}

# The volume fills while replaced.dat waits to be installed (held until then): the copy over
# the old file, smaller than the new one, meets the full disk. The disk-space message; the old
# file stays as it was.
case_disk_fills_install() {
  begin_on_volume $((room_needed + 262144))
  head -c 1000 /dev/urandom > "$dir/old-replaced.dat"
  cp "$dir/old-replaced.dat" "$client/replaced.dat"
  tree_snapshot > "$dir/before.tree"
  holder_start "$client/replaced.dat"
  server_start 1
  launcher_start 1
  wait_for_text "$dir/run1.log" 60 "更新进度:3/3"
  # Its download is a moment's work; then the launcher waits for the file to be let go.
  for ((i = 0; i < 100; i++)); do [ -e "$client/DownloadCache/replaced.dat.tmp" ] && break; sleep 0.1; done
  sleep 1
  cat /dev/zero >> "$volume/other-file" 2>/dev/null || true
  holder_stop
  launcher_wait 1
  server_stop
  ended_cleanly 1 5
  message_says 1 "replaced.dat$text_disk_needs" "$text_disk_free"
  cmp "$release/replaced.dat" "$client/DownloadCache/replaced.dat.tmp"  # the download was whole
  cmp "$dir/old-replaced.dat" "$client/replaced.dat"
  tree_changed_only_by_patches
  rm "$volume/other-file"
  second_run_completes
}

# A client folder nothing can be written to (mounted read-only: root ignores file modes): the
# question naming the folder, answered no, and the end; nothing fetched. Writable again, the
# next run updates the client.
case_read_only_folder() {
  case_begin "$dir/client"
  mount --bind "$client" "$client"
  case_mounts+=("$client")
  mount -o remount,bind,ro "$client"
  server_start 1
  launcher_run 1
  server_stop
  ended_cleanly 1 5
  # The folder ends the first of the question's two lines (Windows ends its lines with CR LF).
  tr -d '\r' < "$dir/run1.log" | grep -Fx "question: \"$text_folder$(shown_folder)"
  grep -F "$text_folder_question\" -> no" "$dir/run1.log"
  no_message 1
  no_patch_fetched 1
  tree_changed_only_by_patches
  umount "$client"
  second_run_completes
}

# replaced.dat is held without sharing until three seconds after its download began: the
# launcher waits for it and installs it in the same run.
case_held_3s() {
  case_begin "$dir/client"
  holder_start "$client/replaced.dat"
  server_start 1
  launcher_start 1
  wait_for_text "$dir/run1.log" 60 "更新进度:3/3"
  sleep 3
  cmp "$seed/replaced.dat" "$client/replaced.dat"  # not replaced while held
  holder_stop
  launcher_wait 1
  server_stop
  ended_cleanly 1
  grep -F "$text_summary" "$dir/run1.log"
  no_message 1
  up_to_date 1
  tree_changed_only_by_patches
  second_run_completes
}

# replaced.dat stays held: after its waiting the launcher names the file (and the holder where
# the system tells it); the download stays in the cache, so the next run, the file free,
# installs it without fetching it again.
case_held_for_good() {
  case_begin "$dir/client"
  holder_start "$client/replaced.dat"
  server_start 1
  launcher_run 1
  server_stop
  holder_stop
  ended_cleanly 1 5
  local holder
  holder=$(held_by)
  message_says 1 "replaced.dat$text_held${holder:+$text_held_by$holder}"
  [ -s "$client/DownloadCache/replaced.dat.tmp" ]
  tree_changed_only_by_patches
  second_run_completes
  if grep 'GET /replaced.dat' "$dir/server2.log"; then echo "the held patch was fetched again"; return 1; fi
}

# The file server dies in the middle of big.pak and is back ten seconds later on its ports: the
# engine's retries carry the download through and the run completes.
case_server_down_10s() {
  case_begin "$dir/client"
  server_start 1 --fault files:rate=150000
  launcher_start 1
  big_pak_arriving
  sleep 1
  kill -9 "$standin_pid"
  wait "$standin_pid" 2>/dev/null || true
  standin_pid=""
  sleep 10
  server_restart 1b
  launcher_wait 1
  server_stop
  ended_cleanly 1
  grep -F "$text_summary" "$dir/run1.log"
  no_message 1
  up_to_date 1
  grep -F 'GET /big.pak' "$dir/server1b.log"
  tree_changed_only_by_patches
  second_run_completes
}

# The file server answers every patch with an HTML page and status 200: the first patch fails
# its check code, and nothing of the page is kept or installed.
case_html_page() {
  case_begin "$dir/client"
  server_start 1 --fault files:status=200
  launcher_run 1
  server_stop
  ended_cleanly 1 5
  grep -F "$text_summary" "$dir/run1.log"
  message_says 1 "big.pak$text_mismatch"
  [ -z "$(ls -A "$client/DownloadCache" 2>/dev/null)" ]
  tree_changed_only_by_patches
  second_run_completes
}

# Every connection of the file server is reset after 300 KB: the engine asks again for the
# rest each time and the run completes.
case_connection_resets() {
  case_begin "$dir/client"
  server_start 1 --fault files:reset-after=300000
  launcher_run 1
  server_stop
  ended_cleanly 1
  grep -F "$text_summary" "$dir/run1.log"
  grep -q ' reset$' "$dir/server1.log"
  no_message 1
  up_to_date 1
  tree_changed_only_by_patches
  second_run_completes
}

# ---------------------------------------------------------------------------------------
# Running the matrix.

# name, whether it needs mounts, description
matrix_cases=(
  "server_down_10s 0 file server killed mid-file, back after 10 s"
  "connection_resets 0 connections reset every 300 KB"
  "held_for_good 0 patch target held for good"
  "disk_full_before 1 disk full before the run"
  "disk_fills 1 disk filling during a download"
  "disk_fills_install 1 disk filling before a file is replaced"
  "read_only_folder 1 read-only client folder"
  "held_3s 0 patch target held for 3 s"
  "html_page 0 HTML page with status 200 for a patch"
)

run_case() {  # name
  local name=$1 rc=0
  dir=$work/$name
  mkdir -p "$dir"
  echo "case $name: started"
  # Started on its own and then waited for: a subshell run as part of `||` would ignore set -e.
  (
    set -eE
    trap 'echo "FAILED: line $LINENO: $BASH_COMMAND"' ERR
    platform_case_setup
    "case_$name"
  ) > "$dir/case.log" 2>&1 &
  wait $! || rc=$?
  if [ "$rc" = 0 ]; then
    echo PASS > "$work/results/$name"
  else
    echo "FAIL: $(grep -E 'FAILED|^run [0-9]|lacks|not |missing|changed' "$dir/case.log" | head -2 | tr '\n' ' ')" \
      > "$work/results/$name"
  fi
  echo "case $name: $(cat "$work/results/$name")"
}

# Runs the cases in $matrix_lanes lanes at once, one after another within a lane ($lane is the
# lane's number, for what a lane shares, such as a Wine prefix); the longest cases come first.
# Prints the table; fails when any case failed.
run_matrix() {
  local entry name mounts description lane_cases=() i count=0 pids=() failed=0
  for entry in "${matrix_cases[@]}"; do
    read -r name mounts description <<< "$entry"
    if [ -n "${MATRIX_ONLY:-}" ] && [[ " $MATRIX_ONLY " != *" $name "* ]]; then continue; fi
    if [ "$mounts" = 1 ] && [ "$mounts_possible" = 0 ]; then
      echo "SKIP (no mounts)" > "$work/results/$name"
      continue
    fi
    i=$((count++ % matrix_lanes))
    lane_cases[$i]="${lane_cases[$i]:-} $name"
  done
  for i in "${!lane_cases[@]}"; do
    (
      lane=$i
      for name in ${lane_cases[$i]}; do run_case "$name"; done
    ) &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || true; done
  for entry in "${matrix_cases[@]}"; do
    read -r name mounts description <<< "$entry"
    [ -f "$work/results/$name" ] || continue
    case $(cat "$work/results/$name") in FAIL*) ;; *) continue ;; esac
    failed=1
    echo "==== $name: case log ===="
    cat "$work/$name/case.log"
    for log in "$work/$name"/run*.log; do [ -f "$log" ] && { echo "---- $log"; tail -25 "$log"; }; done
  done
  echo
  echo "fault matrix, $(platform_name):"
  printf '  %-20s %-48s %s\n' case what result
  for entry in "${matrix_cases[@]}"; do
    read -r name mounts description <<< "$entry"
    [ -f "$work/results/$name" ] || continue
    printf '  %-20s %-48s %s\n' "$name" "$description" "$(cat "$work/results/$name")"
  done
  return "$failed"
}
