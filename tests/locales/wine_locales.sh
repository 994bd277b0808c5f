#!/usr/bin/env bash
# The Windows launcher (the 32-bit product, see use_product_build) under Wine on four systems:
# simplified Chinese (code page 936), traditional Chinese (950), Japanese (932) and German (1252,
# console 850), each with a client folder named in its own script. On each, the main job: a
# patch downloaded into a sub-folder, the game client started with the line's fields as the
# ANSI call hands them over (a GBK field read in the system's code page), vf.ini written; and
# the self-update: update.bat replaces the launcher and starts it again. Then a folder that the
# system's code page cannot spell gets its own message, not the client-folder refusal, and no
# support log. The support log names the folder, spelled in the system's code page, in UTF-8.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
maker=$(built_tool manifest-maker)
work=$(mktemp -d /tmp/locales-wine.XXXXXX)
main_pid="" update_pid="" launcher_pid=""
cleanup() {
  set +e
  for p in "$work"/prefix-*; do WINEPREFIX=$p stop_wineserver; done
  for pid in "$launcher_pid" "$main_pid" "$update_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.log; do echo "--- $f"; cat "$f"; done; exit 1; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=

# The main job's server: one line whose sublocale is GBK "一线", one patch in "data".
mkdir -p "$work/release/data" "$work/files"
head -c 200000 /dev/urandom > "$work/release/data/a.pak"
{
  printf '<?xml version="1.0" encoding="gb2312"?>\n<UpdateInfo>\n<ServerList>'
  printf '<Server name="one" Lip="127.0.0.1" Lport="@LOGIN_PORT_1@" Mip="10.0.0.9" Mport="7000" sublocale="\xd2\xbb\xcf\xdf" version="1.0.3"/>'
  printf '</ServerList>\n<Launcher ver="0.0.1"/>\n</UpdateInfo>\n'
} > "$work/template.xml"
"$maker" --dir "$work/release" --base-url "http://@HOST@:@FILES_PORT@" --existing "$work/template.xml" \
  --out "$work/main.xml" > /dev/null
start_standin "$work/main.xml" "$work/release" "$work/main-server.log" --login 0
main_pid=$standin_pid
write_endpoints "$work/main.ini"
login_port=${port_login1:?}
# The self-update's server: a launcher 0.0.2 on offer.
write_manifest "$work/update.xml" 0.0.2
start_standin "$work/update.xml" "$work/files" "$work/update-server.log"
update_pid=$standin_pid
write_endpoints "$work/update.ini"
requests() { grep -c 'UpdateInfo_test.xml' "$work/update-server.log" || true; }

# Prepares the prefix of locale $1 (LANG $2) and chooses the build; sets exe and client_exe.
enter_locale() {
  export LANG=$2 WINEPREFIX=$work/prefix-$1
  use_product_build
  exe=$(windows_build launcher.exe) client_exe=$(windows_build test-client.exe)
  [ -n "$exe" ] && [ -n "$client_exe" ] || fail "no ${windows_bits}-bit launcher.exe and test-client.exe"
  [ -f "$work/files/DLQ.exe" ] || relabel_launcher "$exe" "$work/files/DLQ.exe" 0.0.2
}

# Main job in folder $2 on code page $3 (Python's name) for locale $1.
main_job() {
  local client=$work/$1/$2 log=$work/$1-main.log r
  mkdir -p "$client"
  cp "$exe" "$client/launcher.exe"
  cp "$client_exe" "$client/Client.exe"
  printf '[video]\r\nwidth=800\r\n' > "$client/vf.ini"
  (cd "$client" && timeout 300 "$wine" "$client/launcher.exe" --headless --auto-update --auto-start \
    --endpoints "$(windows_path "$work/main.ini")") > "$log" 2>&1 || fail "$1: the launcher ended with $?"
  cmp "$work/release/data/a.pak" "$client/data/a.pak" || fail "$1: the patch is not in place"
  r=$client/client_record/1
  for _ in $(seq 1 1200); do [ -e "$r/complete" ] && break; sleep 0.1; done
  [ -s "$r/command_line" ] || fail "$1: the client was not started"
  python3 - "$r" "$3" "$login_port" "$(windows_path "$client")" <<'PY' || fail "$1: what the client received"
import sys
record, codepage, port, folder = sys.argv[1:]
read = lambda name: open(record + '/' + name, 'rb').read().decode('utf-8')
# The ANSI call reads the manifest's GBK bytes in the system's code page.
field = b'\xd2\xbb\xcf\xdf'.decode(codepage)
expected = ('%%1 code:1622 logip:127.0.0.1 logport:%s chatip:10.0.0.9 chatport:7000 '
            'setting:"file://data/features.xml=Regular, China" sublocale:%s' % (port, field))
assert read('command_line') == expected, (read('command_line'), expected)
assert read('cwd') == folder, (read('cwd'), folder)
assert read('vf.ini') == '[video]\r\nwidth=800\r\n[aaa]\r\nbbb=1.0.3\r\n', read('vf.ini')
PY
  local shown_folder
  shown_folder=$(windows_path "$client")
  grep -F " client folder \"$shown_folder\\\"" "$client/launcher.log" || fail "$1: the support log's start line"
  grep -F " install \"a.pak\" to \"$shown_folder\\data\\a.pak\": installed" "$client/launcher.log" ||
    fail "$1: the support log's install line"
  echo "$1: main job passed in '$2'"
}

# Self-update in folder $2 for locale $1: the launcher is replaced and asks again as 0.0.2.
self_update() {
  local client=$work/$1/$2 log=$work/$1-update.log before
  mkdir -p "$client"
  cp "$exe" "$client/launcher.exe"
  : > "$client/Client.exe"
  before=$(requests)
  (cd "$client" && exec "$wine" "$client/launcher.exe" --headless --endpoints "$(windows_path "$work/update.ini")") \
    > "$log" 2>&1 &
  launcher_pid=$!
  wait_for_count "$work/update-server.log" 120 $((before + 2)) "UpdateInfo_test.xml" || fail "$1: no restart"
  for _ in $(seq 1 600); do cmp -s "$work/files/DLQ.exe" "$client/launcher.exe" && break; sleep 0.1; done
  cmp "$work/files/DLQ.exe" "$client/launcher.exe" || fail "$1: the launcher was not replaced"
  for _ in $(seq 1 600); do [ ! -e "$client/update.bat" ] && break; sleep 0.1; done
  [ ! -e "$client/update.bat" ] || fail "$1: update.bat was left"
  [ ! -e "$client/launcher.exe.old" ] || fail "$1: the old launcher's copy was left"
  stop_wineserver
  wait "$launcher_pid" 2>/dev/null || true
  launcher_pid=""
  echo "$1: self-update passed in '$2'"
}

# A folder the system cannot spell, for locale $1: one message that holds $3, then the end.
unspellable() {
  local client=$work/$1/$2 log=$work/$1-unspellable.log
  mkdir -p "$client"
  cp "$exe" "$client/launcher.exe"
  : > "$client/Client.exe"
  local code=0
  (cd "$client" && timeout 120 "$wine" "$client/launcher.exe" --headless \
    --endpoints "$(windows_path "$work/main.ini")") > "$log" 2>&1 || code=$?
  # A headless run that cannot use its folder ends with the code of "not a client folder".
  [ "$code" = 7 ] || fail "$1: the launcher ended with $code, not 7"
  [ "$(grep -c '^message: ' "$log")" = 1 ] || fail "$1: not exactly one message"
  grep '^message: ' "$log" | grep -F -- "$3" || fail "$1: not the message of an unspellable folder"
  [ ! -e "$client/DownloadCache" ] || fail "$1: a download cache was created"
  [ ! -e "$client/launcher.log" ] || fail "$1: a support log was written"
  echo "$1: the unspellable folder '$2' got its message"
}

enter_locale zh_CN zh_CN.UTF-8
main_job zh_CN "中文 目录" gbk
self_update zh_CN "更新 中文 目录"

enter_locale zh_TW zh_TW.UTF-8
main_job zh_TW "測試 客戶端" cp950
self_update zh_TW "更新 測試 客戶端"

enter_locale ja_JP ja_JP.UTF-8
# ソ and 表 end in the byte '\' in Shift-JIS; ｶﾀｶﾅ are one-byte characters there.
main_job ja_JP "テスト ｶﾀｶﾅ ソ表" cp932
self_update ja_JP "更新 テスト ｶﾀｶﾅ ソ表"
unspellable ja_JP "测试 简体" "英文字母"

enter_locale de_DE de_DE.UTF-8
main_job de_DE "Spieler Ölmühle ß" cp1252
self_update de_DE "Größe Übung ß"
unspellable de_DE "中文 目录" "英文字母"
echo "every locale passed"
