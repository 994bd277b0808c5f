#!/usr/bin/env bash
# The announcement view of the Windows launcher (the 32-bit product, see use_product_build)
# under Wine, as far as Wine can show it:
# - the launcher, renamed by the player, gives its own file name the newest browser engine's
#   standards mode (FEATURE_BROWSER_EMULATION = 11001) and no ActiveX install offers in the
#   current user's registry before its window and web view exist, and no other program's;
# - the view's event receiver, driven through IDispatch::Invoke with the control's own event
#   numbers and argument layout (news-view-check.exe, a stub browser behind it), cancels what
#   leaves the operator's site, hands web pages to the default browser and replaces a page
#   that cannot load by its own.
# Wine's browser control is built on Gecko, which these prefixes do not install: no page is
# rendered here, so document modes, silent script errors and the blocked ActiveX controls of a
# real page cannot be seen under Wine.
set -euo pipefail
source_dir=${LAUNCHER_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
source "$source_dir/tests/support/wine_x.bash"
source "$source_dir/tests/support/e2e_common.bash"
work=$(mktemp -d /tmp/news_view.XXXXXX)
launcher_pid=""
fail() { echo "FAIL: $*" >&2; cat "$work"/launcher.log 2>/dev/null | head -20; exit 1; }
cleanup() { set +e; [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null; wine_x_stop; rm -rf "$work"; }
trap cleanup EXIT
wine_x_start "$work"
stall_start "$work"
use_product_build
exe=$(windows_build launcher.exe)
check_exe=$(windows_build news-view-check.exe)
[ -n "$exe" ] || fail "no ${windows_bits}-bit launcher.exe (./run build makes it)"
[ -n "$check_exe" ] || fail "no ${windows_bits}-bit news-view-check.exe (./run build makes it)"

# The event receiver.
"$wine" "$check_exe" >"$work/check.log" 2>&1 && code=0 || code=$?
tr -d '\r' <"$work/check.log"
[ "$code" = 0 ] || fail "news-view-check ended with $code"
grep -q '^0 failed$' <(tr -d '\r' <"$work/check.log") || fail "news-view-check did not finish its checks"

# The registry values, for a launcher the player renamed (我的 登陆器.exe).
name="我的 登陆器.exe"
client="$work/client"
mkdir -p "$client"
cp "$exe" "$client/$name"
printf 'stand-in game client\n' >"$client/Client.exe"
printf '[manifest]\nprimary = 127.0.0.1\nsecondary = 127.0.0.1\nprimary_port = %s\nsecondary_port = %s\n[web]\nannouncement = 127.0.0.1:%s\n' \
  "$stall_port" "$stall_port" "$stall_port" >"$client/endpoints.ini"
feature_key='HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl'
# Another program's setting, which must stay as it is.
"$wine" reg add "$feature_key\\FEATURE_BROWSER_EMULATION" /v other.exe /t REG_DWORD /d 7000 /f >/dev/null 2>&1 ||
  fail "reg add did not run"
(cd "$client" && exec "$wine" "$name" --endpoints endpoints.ini) >"$work/launcher.log" 2>&1 &
launcher_pid=$!
wait_launcher_window "$launcher_pid" || fail "the launcher window"
"$wine" reg export "$feature_key" "$(windows_path "$work/features.reg")" /y >/dev/null 2>&1 ||
  fail "reg export did not run"
iconv -f UTF-16 -t UTF-8 "$work/features.reg" | tr -d '\r' >"$work/features.txt"
cat "$work/features.txt"
section() { awk -v s="[HKEY_CURRENT_USER\\\\Software\\\\Microsoft\\\\Internet Explorer\\\\Main\\\\FeatureControl\\\\$1]" \
  '$0 == s { on = 1; next } /^\[/ { on = 0 } on && NF' "$work/features.txt" | sort; }
[ "$(section FEATURE_BROWSER_EMULATION)" = "$(printf '"other.exe"=dword:00001b58\n"%s"=dword:00002af9' "$name" | sort)" ] ||
  fail "FEATURE_BROWSER_EMULATION holds other values than 11001 for $name beside the other program's"
[ "$(section FEATURE_RESTRICT_ACTIVEXINSTALL)" = "\"$name\"=dword:00000001" ] ||
  fail "FEATURE_RESTRICT_ACTIVEXINSTALL is not 1 for $name"
echo "ok     $name: browser emulation 11001 and no ActiveX install offers, the other program's value kept"
