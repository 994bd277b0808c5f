# The signed-release cases, shared by linux_trust.sh and wine_trust.sh (sourced). The test sets:
#   work, client          its own folder and the client folder (launcher and Client.exe in it)
#   launcher_name         the launcher's file name in the client folder
#   new_launcher          a copy of the launcher relabelled 0.0.2 (the genuine update)
#   maker                 the Linux manifest-maker (signing happens where releases are made)
#   TEST_CLIENT_RECORD          the test client's record folder, $work/record in the system's spelling
#   start_launcher LOG ARGS...  runs the launcher headless with the endpoints file and ARGS,
#                               output to LOG, in the background; sets launcher_pid
#   write_payload FILE          writes a launcher payload other than the genuine one
#   stop_restarted              ends a launcher that an update script started
# and calls run_trust_cases.

# Ends the launcher started by start_launcher (by its pid) and waits for it.
stop_launcher() {
  [ -n "$launcher_pid" ] || return 0
  kill "$launcher_pid" 2>/dev/null || true
  wait "$launcher_pid" 2>/dev/null || true
  launcher_pid=""
}
# True when the test client recorded a start; clear_client_record forgets the starts.
client_started() { [ -n "$(ls -A "$work/record" 2>/dev/null)" ]; }
clear_client_record() { rm -rf "$work/record"; }

fail() {
  echo "FAIL: $*"
  for f in "$work"/run*.log; do [ -e "$f" ] && { echo "--- $f"; tail -40 "$f"; }; done
  echo "--- server"; tail -30 "$work/server.log" 2>/dev/null || true
  exit 1
}

# Names, modes and contents of everything in folder $1, as one digest. The support log is left
# out: it is meant to record the refusal.
tree_hash() {
  (cd "$1" && {
    find . ! -path ./launcher.log -printf '%y %m %p\n'
    find . -type f ! -path ./launcher.log -exec sha256sum {} +
  } | LC_ALL=C sort | sha256sum | cut -d' ' -f1)
}

# Waits up to $2 seconds for the launcher (started by start_launcher) to end by itself.
wait_launcher_end() {
  local log=$1 seconds=$2
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$launcher_pid" 2>/dev/null || { wait "$launcher_pid" 2>/dev/null || true; launcher_pid=""; return 0; }
    sleep 0.1
  done
  fail "the launcher did not end within ${seconds}s (log $log)"
}

# The existing sections the maker keeps: one server line whose login server answers, and the
# launcher version $1 (with its file on the file server).
write_existing() {
  cat > "$work/existing.xml" <<XML
<?xml version="1.0" encoding="gb2312"?>
<UpdateInfo>
  <ServerList><S name="one" Lip="127.0.0.1" Lport="$port_login1" Mip="127.0.0.1" Mport="9" sublocale="1" version="1"/></ServerList>
  <Launcher name="DLQ" url="http://127.0.0.1:$port_files/DLQ.exe" ver="$1"/>
</UpdateInfo>
XML
}

# Signs the release in $work/files/patch as $work/manifest.xml with key $1, serial $2 and
# launcher version $3 (0.0.2 is offered with --launcher $new_launcher, which the maker checks
# against that version, unless sign_launcher is set empty); maker options follow.
sign_release() {
  local key=$1 serial=$2 version=$3
  shift 3
  write_existing "$version"
  local digest=()
  [ -z "${sign_launcher-yes}" ] || [ "$version" != 0.0.2 ] || digest=(--launcher "$new_launcher" --launcher-ver "$version")
  "$maker" --dir "$work/files/patch" --base-url "http://127.0.0.1:$port_files/patch" --existing "$work/existing.xml" \
    --sign "$key" --serial "$serial" "${digest[@]}" "$@" --out "$work/manifest.xml" 2>"$work/maker.err" ||
    fail "manifest-maker: $(cat "$work/maker.err")"
}

# One refused run: started, it shows message $2 and ends (or, with $3 = keeps-running, goes on
# with its run); the client folder is unchanged and no program was started.
expect_refused() {
  local what=$1 message=$2 mode=${3:-ends} log=$work/run_${1// /_}.log before
  before=$(tree_hash "$client")
  start_launcher "$log" --auto-update
  if [ "$mode" = keeps-running ]; then
    wait_for_text "$log" 90 "message: \"$message\"" || fail "$what: no message '$message'"
    # It goes on to its server list and patch list, which this folder already holds (the
    # headless launcher then ends by itself, having nothing left to do).
    wait_for_text "$log" 60 "当前客户端无需更新的文件" || fail "$what: the launcher did not go on after refusing"
    grep -qF 'item added "one"' "$log" || fail "$what: no server line after refusing"
    wait_launcher_end "$log" 30
  else
    wait_launcher_end "$log" 90
    grep -qF "message: \"$message\"" "$log" || fail "$what: no message '$message'"
  fi
  [ "$(tree_hash "$client")" = "$before" ] || fail "$what: the client folder changed"
  if client_started; then fail "$what: the game client was started"; fi
  [ ! -e "$work/payload_ran" ] || fail "$what: the swapped launcher payload ran"
  echo "refused as expected: $what"
}

run_trust_cases() {
  local unverified="更新信息无法验证,可能已被篡改,请稍后再试或联系游戏管理员!"
  local launcher_refused="新版登录器未通过验证,继续使用当前登录器!"
  mkdir -p "$work/files/patch/data"
  head -c 200000 /dev/urandom > "$work/files/patch/a.pak"
  head -c 50000 /dev/urandom > "$work/files/patch/data/b.pak"
  cp "$new_launcher" "$work/files/DLQ.exe"
  echo '<UpdateInfo/>' > "$work/manifest.xml"
  STANDIN_LOG=$work/server.log standin_start "$work" --manifest "$work/manifest.xml" --primary-port 0 --secondary-port 0 \
    --files "$work/files" --files-port 0 --login 0 || fail "stand-in server"
  standin_pid=$STANDIN_PID

  "$maker" --keygen "$work/key.pem" > "$work/key.txt" || fail "keygen"
  "$maker" --keygen "$work/stranger.pem" > /dev/null || fail "keygen"
  # A key is never overwritten.
  if "$maker" --keygen "$work/key.pem" 2>/dev/null; then fail "keygen overwrote a key"; fi
  local public
  public=$(sed -n 's/^key1 = //p' "$work/key.txt")
  [ ${#public} = 88 ] || fail "keygen printed no public key: $(cat "$work/key.txt")"
  standin_endpoints 127.0.0.1:9 > "$work/endpoints.ini"
  printf '[trust]\nkey1 = %s\n' "$public" >> "$work/endpoints.ini"

  echo "a correctly signed release is installed and the game started"
  sign_release "$work/key.pem" 1000 0.0.1
  start_launcher "$work/run_good.log" --auto-update --auto-start
  wait_launcher_end "$work/run_good.log" 120
  grep -qF "更新完毕, 祝你游戏愉快！" "$work/run_good.log" || fail "the signed release was not installed"
  cmp "$work/files/patch/a.pak" "$client/a.pak" || fail "a.pak differs"
  cmp "$work/files/patch/data/b.pak" "$client/data/b.pak" || fail "data/b.pak differs"
  for _ in $(seq 1 600); do client_started && break; sleep 0.1; done
  client_started || fail "the game client was not started"
  [ "$(tr -d '\r\n' < "$client/ManifestSerial.txt")" = 1000 ] || fail "serial not kept"
  clear_client_record

  sign_release "$work/key.pem" 1001 0.0.1
  python3 - "$work/manifest.xml" <<'PY'
import sys
p = sys.argv[1]
data = bytearray(open(p, 'rb').read())
at = data.index(b'name="one"') + 6
data[at] ^= 0x01  # one byte of the signed part
open(p, 'wb').write(data)
PY
  expect_refused "one flipped byte" "$unverified"

  sign_release "$work/key.pem" 1001 0.0.1
  sed -i '/^<!-- signature /d' "$work/manifest.xml"
  grep -q 'serial="1001"' "$work/manifest.xml" || fail "no serial in the manifest"
  expect_refused "signature removed" "$unverified"

  sign_release "$work/stranger.pem" 1001 0.0.1
  expect_refused "signed by an unknown key" "$unverified"

  sign_release "$work/key.pem" 999 0.0.1
  expect_refused "an older serial" "$unverified"

  # A patch swapped on the server for one of the same size and the same header code: only the
  # signed sha256 tells them apart. Same serial as before: nothing about the manifest is new.
  head -c 32 "$work/files/patch/a.pak" > "$work/files/patch/c.pak"
  head -c 80000 /dev/urandom >> "$work/files/patch/c.pak"
  sign_release "$work/key.pem" 1000 0.0.1 --header-code "c.pak"
  { head -c 32 "$work/files/patch/c.pak"; head -c 80000 /dev/urandom; } > "$work/swapped.pak"
  mv "$work/swapped.pak" "$work/files/patch/c.pak"
  expect_refused "a patch swapped on the server" "c.pak下载的文件校验失败,请关闭登录器稍后尝试!"
  grep -q 'GET /patch/c.pak' "$work/server.log" || fail "c.pak was never downloaded"
  rm "$work/files/patch/c.pak"

  # The launcher payload swapped: the manifest names the genuine 0.0.2 launcher's digest.
  sign_release "$work/key.pem" 1000 0.0.2
  write_payload "$work/files/DLQ.exe"
  expect_refused "a launcher payload swapped on the server" "$launcher_refused" keeps-running
  grep -q 'GET /DLQ.exe' "$work/server.log" || fail "the launcher was never downloaded"

  # Without a sha256 on Launcher, a launcher that requires signatures does not even fetch it.
  sign_launcher="" sign_release "$work/key.pem" 1000 0.0.2
  grep -q '<Launcher name="DLQ"' "$work/manifest.xml" || fail "the Launcher sha256 was not removed"
  local before_requests
  before_requests=$(grep -c 'GET /DLQ.exe' "$work/server.log" || true)
  expect_refused "a launcher update without sha256" "$launcher_refused" keeps-running
  [ "$(grep -c 'GET /DLQ.exe' "$work/server.log" || true)" = "$before_requests" ] ||
    fail "the launcher without sha256 was downloaded"

  echo "a manifest altered on the way to the primary: the signed secondary is used"
  sign_release "$work/key.pem" 1000 0.0.1
  standin_stop
  STANDIN_LOG=$work/server.log standin_start "$work" --manifest "$work/manifest.xml" --primary-port "$port_primary" \
    --secondary-port "$port_secondary" --files "$work/files" --files-port "$port_files" --login "$port_login1" \
    --fault primary:flip-byte=60 || fail "stand-in server"
  standin_pid=$STANDIN_PID
  start_launcher "$work/run_fallback.log" --auto-update
  wait_launcher_end "$work/run_fallback.log" 90
  grep -q 'flipped=60' "$work/server.log" || fail "the primary's answer was not altered"
  grep -q 'GET /buding/dlq/UpdateInfo_test.xml' "$work/server.log" || fail "the secondary was not asked"
  if grep -q '^message: ' "$work/run_fallback.log"; then fail "a message after falling back"; fi
  grep -qF "当前客户端无需更新的文件" "$work/run_fallback.log" || fail "the run did not go on with the secondary's manifest"

  echo "a correctly signed launcher update replaces the launcher"
  cp "$new_launcher" "$work/files/DLQ.exe"
  sign_release "$work/key.pem" 1002 0.0.2
  start_launcher "$work/run_update.log" --auto-update
  wait_for_text "$work/run_update.log" 120 "登陆器更新完成,即将自动重启登录器" || fail "the signed launcher update did not run"
  for _ in $(seq 1 200); do cmp -s "$new_launcher" "$client/$launcher_name" && break; sleep 0.1; done
  cmp "$new_launcher" "$client/$launcher_name" || fail "the launcher was not replaced"
  stop_launcher
  stop_restarted
  echo "trust end to end: every refusal left the folder as it was; signed releases install"
}

# After run_trust_cases (launcher 0.0.2, serial 1002): a file planted in the client folder with
# the size and header code of a signed patch, the manifest giving that header code, is replaced
# by the signed file; once installed, its digest is remembered and the next run keeps it.
run_planted_file_case() {
  echo "a planted file with the header code of a signed patch is replaced"
  sign_release "$work/key.pem" 1003 0.0.2 --header-code a.pak
  grep -q 'name="a.pak"[^>]*CheckCode="[0-9A-F]\{16\}"' "$work/manifest.xml" || fail "a.pak has no header code"
  { head -c 32 "$work/files/patch/a.pak"; head -c $((200000 - 32)) /dev/urandom; } > "$work/planted.pak"
  cp "$work/planted.pak" "$client/a.pak"
  start_launcher "$work/run_planted.log" --auto-update
  wait_launcher_end "$work/run_planted.log" 120
  grep -qF "更新完毕, 祝你游戏愉快！" "$work/run_planted.log" || fail "the planted a.pak was kept as current"
  cmp "$work/files/patch/a.pak" "$client/a.pak" || fail "a.pak is not the signed file"
  grep -q "a.pak\$" "$client/DownloadCache/KnownDigests.txt" || fail "the installed a.pak's digest was not remembered"
  start_launcher "$work/run_planted_again.log" --auto-update
  wait_launcher_end "$work/run_planted_again.log" 90
  grep -qF "当前客户端无需更新的文件" "$work/run_planted_again.log" || fail "the signed a.pak was not current"
  echo "the planted file was replaced by the signed one"
}
