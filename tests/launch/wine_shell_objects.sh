#!/usr/bin/env bash
# The Windows-only paths of the platform layer under Wine (the 32-bit build, see
# use_product_build), through shell-check.exe:
# IcmpSendEcho (an answered echo to a dotted address and to a looked-up name, an unanswered
# one), GetPrivateProfileString on an internet shortcut with GBK texts, and a shell link
# written by Wine's own WScript.Shell, read back by the Linux link reader.
# (Wine's WScript.Shell does not load an existing link, so the Windows reader cannot be
# checked here.)
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
source "$src/tests/support/e2e_common.bash"
work=$(mktemp -d /tmp/shell_wine.XXXXXX)
cleanup() {
  stop_wineserver
  rm -rf "$work"
}
trap cleanup EXIT
# The Chinese locale gives Wine code page 936: paths reach the program as GBK, as on a
# Chinese Windows, from the UTF-8 names on disk.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8
use_product_build
check_exe=$(windows_build shell-check.exe)
[ -n "$check_exe" ] || { echo "SKIP: no ${windows_bits}-bit Windows build of shell-check"; exit 0; }
fail() { echo "FAIL: $*"; exit 1; }
check() { "$wine" "$check_exe" "$@" 2>/dev/null | tr -d '\r'; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Echoes: loopback answers at once, by address and by name; an address nobody answers
# ends after the five-second wait with -1.
for host in 127.0.0.1 localhost; do
  got=$(check echo "$host")
  [[ $got =~ ^ms=[0-9]+$ ]] || fail "echo to $host gave '$got'"
done
got=$(check echo 198.51.100.1)
[ "$got" = "ms=-1" ] || fail "echo to an unanswered address gave '$got'"

# An internet shortcut in a folder with a GBK name, asked for without its ending.
folder="$work/游戏"
mkdir -p "$folder"
printf '[InternetShortcut]\r\nURL=http://127.0.0.1/\xb9\xab\xb8\xe6.html\r\nIconFile=C:\\icons\\a.ico\r\n' > "$folder/news.url"
got=$(check url "$(winpath "$folder/news")")
expected=$(printf 'url=http://127.0.0.1/\xb9\xab\xb8\xe6.html\nicon=C:\\icons\\a.ico')
[ "$got" = "$expected" ] || { printf '%s\n' "$got" | od -c | head; fail "internet shortcut read as above"; }

# A link saved by Wine's WScript.Shell, read by the Linux reader.
touch "$folder/Client.exe"
cat > "$work/make.vbs" <<'VBS'
Set shell = CreateObject("WScript.Shell")
Set link = shell.CreateShortcut(WScript.Arguments(0))
link.TargetPath = WScript.Arguments(1)
link.Arguments = "-window ""a b"" -x"
link.IconLocation = WScript.Arguments(1) & ",2"
link.Save
VBS
target=$(winpath "$folder/Client.exe")
"$wine" cscript.exe //nologo "$(winpath "$work/make.vbs")" "$(winpath "$folder/play.lnk")" "$target" >/dev/null 2>&1 ||
  fail "Wine's cscript could not save the link"
[ -s "$folder/play.lnk" ] || fail "no link was saved"
# The Linux programs hold paths in this system's own spelling, UTF-8.
got=$("$build/tools/shell-check" link "$folder/play" | tr '\000' @)
expected=$(printf 'target=%s\narguments=-window "a b" -x\nicon=%s,2' "$target" "$target")
[ "$got" = "$expected" ] || { printf 'got:\n%s\nexpected:\n%s\n' "$got" "$expected"; fail "link read as above"; }
echo "wine shell objects: echoes, internet shortcut and a Wine-made link read as written"
