#!/usr/bin/env bash
# The headless Linux launcher updates a client folder from a rate-limited stand-in file
# server and shows the whole run beside the one-file status line: the tray tooltip carries
# the overall percentage, the bytes done of the total and, once the speed has settled, the
# time left; the taskbar progress climbs and is cleared at the end, the tooltip returns to its
# own text, and launcher.log notes the run after each patch and at its end.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${LAUNCHER_BUILD:?}
source "$here/../support/e2e_common.bash"
maker=$(built_tool manifest-maker)
launcher=${LAUNCHER_DIST:-$build/none}/linux/launcher
[ -x "$launcher" ] || launcher=$build/launcher
source "$here/patch_release.bash"
source "$here/../manifest/support/instance.sh"

work=$(mktemp -d /tmp/run-progress-linux.XXXXXX)
client=$work/client
release=$work/release
standin_pid=""
cleanup() {
  if [ -n "$standin_pid" ]; then
    kill "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
  fi
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

make_release
cp "$launcher" "$client/launcher"
make_manifest
# 3.19 MB to fetch at about 300 KB/s (60 KB/s on each of five connections): some ten seconds.
start_standin "$work/manifest.xml" "$release" "$work/server.log" --fault files:rate=60000
write_endpoints "$work/endpoints.ini"
launcher_wait_alone
timeout 120 "$client/launcher" --headless --endpoints "$work/endpoints.ini" --auto-update > "$work/run.log" 2>&1 ||
  { cat "$work/run.log"; exit 1; }
out=$work/run.log

echo "1. the update finished"
grep '^标签_更新信息: ' "$out" | tail -1 | grep -F '"更新完毕, 祝你游戏愉快！"' || { cat "$out"; exit 1; }
expect_resumed_install_files() { for f in big.pak data/maps/world/map01.pak replaced.dat; do cmp "$release/$f" "$client/$f"; done; }
expect_resumed_install_files

echo "2. the tooltip shows the totals of the whole run, then its own text again"
grep -F 'window: tray tooltip "总进度:0% 0B/3.19MB"' "$out"
grep -m1 -E '^window: tray tooltip "总进度:[1-9][0-9]?% [0-9.]+(B|KB|MB)/3\.19MB"$' "$out"
grep -m1 -E '^window: tray tooltip "总进度:[0-9]+% [0-9.]+(B|KB|MB)/3\.19MB 剩余约[0-9]+秒"$' "$out"
grep -F 'window: tray tooltip "总进度:100% 3.19MB/3.19MB"' "$out"
grep '^window: tray tooltip ' "$out" | tail -1 | grep -Fx 'window: tray tooltip "VKTALVERA LAUNCHER"'
# The one-file status line keeps its own words.
grep -m1 -F '更新进度:1/3  当前补丁大小:2.86MB  当前下载速度:' "$out"

echo "3. the taskbar progress climbs, never back, and is cleared at the end"
grep '^window: taskbar progress [0-9]*%$' "$out" | sed 's/[^0-9]//g' > "$work/percents"
[ "$(wc -l < "$work/percents")" -ge 5 ]
sort -n -c "$work/percents"
[ "$(tail -1 "$work/percents")" = 100 ]
grep '^window: taskbar progress' "$out" | tail -1 | grep -Fx 'window: taskbar progress cleared'
refute grep -q 'taskbar progress .* error' "$out"

echo "4. launcher.log notes the run"
log=$client/launcher.log
grep -F ' update run: 0 of 3 patches, 0B of 3.19MB (0%)' "$log"
grep -F ' update run: 1 of 3 patches, ' "$log"
grep -E ' update run finished: 3 of 3 patches, 3\.19MB of 3\.19MB \(100%\), 3\.19MB fetched in [0-9]+ s' "$log"
iconv -f UTF-8 -t UTF-8 "$log" > /dev/null
echo "run progress on Linux: all checks passed"
