#!/usr/bin/env bash
# launcher-fetch --check-release against two nginx of our own on loopback: a signed manifest
# whose files are on a base server and two mirrors, where the second server lacks one file and
# serves another of a different size, and a folder of the first refuses ranges. The failing
# rows and the exit code are checked, then the repaired release passes whole with --full.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
build=${LAUNCHER_BUILD:?}
command -v nginx >/dev/null || { echo "SKIP: nginx not installed"; exit 0; }
source "$src/tests/support/e2e_common.bash"
fetch=$build/tools/launcher-fetch
maker=$(built_tool manifest-maker)
[ -x "$fetch" ] || { echo "missing $fetch"; exit 1; }
work=$(mktemp -d /tmp/release_check.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/out.txt" 2>/dev/null || true; exit 1; }

# serve NAME: one nginx on a free loopback port serving $work/NAME/www; sets PORT.
serve() {
  local dir=$work/$1 attempt pid
  mkdir -p "$dir/www" "$dir/tmp" "$dir/logs"
  for attempt in 1 2 3 4 5 6 7 8; do
    PORT=$((20000 + RANDOM % 40000))
    cat >"$dir/nginx.conf" <<CONF
master_process off;
daemon off;
pid $dir/nginx.pid;
error_log $dir/logs/error.log warn;
events { worker_connections 64; }
http {
  access_log $dir/logs/access.log;
  client_body_temp_path $dir/tmp/body;
  proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi;
  uwsgi_temp_path $dir/tmp/uwsgi;
  scgi_temp_path $dir/tmp/scgi;
  server {
    listen 127.0.0.1:$PORT;
    root $dir/www;
    location /norange/ { alias $dir/www/rel/; max_ranges 0; }
  }
}
CONF
    nginx -p "$dir" -c "$dir/nginx.conf" >"$dir/logs/stdout.log" 2>&1 &
    pid=$!
    for _ in $(seq 1 50); do
      if curl -s -o /dev/null "http://127.0.0.1:$PORT/"; then pids+=("$pid"); return 0; fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  cat "$dir/logs/error.log" "$dir/logs/stdout.log" >&2 || true
  return 1
}

serve a || fail "the first nginx did not start"
port_a=$PORT
serve b || fail "the second nginx did not start"
port_b=$PORT
base="http://127.0.0.1:$port_a/rel"
mirror="http://127.0.0.1:$port_b/rel"
norange="http://127.0.0.1:$port_a/norange"

mkdir -p "$work/release/data"
head -c 300000 /dev/urandom >"$work/release/data/one.pak"
head -c 5000 /dev/urandom >"$work/release/two.dat"
head -c 70000 /dev/urandom >"$work/release/three.bin"
cp -rp "$work/release" "$work/a/www/rel"
mkdir -p "$work/b/www/rel/data"
cp -p "$work/release/data/one.pak" "$work/b/www/rel/data/"
head -c 69999 /dev/urandom >"$work/b/www/rel/three.bin"   # another size; two.dat is missing

"$maker" --keygen "$work/key.pem" >"$work/key.txt"
cat >"$work/template.xml" <<'XML'
<?xml version="1.0" encoding="gb2312"?>
<UpdateInfo>
  <ServerList><S name="one" Lip="127.0.0.1" Lport="9" Mip="127.0.0.1" Mport="9" sublocale="1" version="1"/></ServerList>
</UpdateInfo>
XML
publish() {  # mirror addresses...
  local args=()
  for m in "$@"; do args+=(--mirror "$m"); done
  mkdir -p "$work/a/www/dlq"
  "$maker" --dir "$work/release" --base-url "$base" "${args[@]}" --header-code '*.bin' \
    --existing "$work/template.xml" --sign "$work/key.pem" --out "$work/a/www/dlq/UpdateInfo_test.xml"
}
endpoints() {  # file, manifest address
  { echo "[manifest]"; echo "primary = $2"; echo "secondary = $2"; echo "[trust]"; grep '^key1 = ' "$work/key.txt"; } >"$1"
}
endpoints "$work/endpoints.ini" "http://127.0.0.1:$port_a/dlq/UpdateInfo_test.xml"

echo "== usage"
set +e
"$fetch" --check-release --bogus >"$work/out.txt" 2>&1; code=$?
set -e
[ "$code" = 2 ] || fail "an unknown option gave $code, not 2"
grep -q "usage: launcher-fetch --check-release" "$work/out.txt" || fail "no usage for an unknown option"

echo "== the broken release"
publish "$mirror" "$norange"
set +e
"$fetch" --check-release --endpoints "$work/endpoints.ini" >"$work/out.txt" 2>"$work/err.txt"; code=$?
set -e
cat "$work/out.txt"
[ "$code" = 1 ] || fail "a broken release gave exit $code, not 1"
row() { grep -E "^$1 +$2 " "$work/out.txt" || fail "no row for $1 on $2"; }
expect() {  # file source size ranges digest [reason]
  local line
  line=$(row "$1" "$2")
  echo "$line" | grep -Eq "^$1 +$2 +$3 +$4 +$5( |\$)" || fail "row of $1 on $2 is not '$3 $4 $5': $line"
  [ -z "${6:-}" ] || echo "$line" | grep -qF "$6" || fail "row of $1 on $2 lacks '$6': $line"
}
expect data/one.pak "$base/data/one.pak" ok ok -
expect two.dat "$base/two.dat" ok ok -
expect two.dat "$mirror/two.dat" FAIL FAIL - "HTTP 404"
expect three.bin "$mirror/three.bin" FAIL ok - "size 69999, manifest 70000"
expect data/one.pak "$norange/data/one.pak" ok FAIL - "answered 200"
[ "$(grep -c FAIL "$work/out.txt")" = 6 ] || fail "not six failing lines"
grep -q "^release check FAILED: 9 file sources checked, 5 failed" "$work/out.txt" || fail "summary"

echo "== the broken release, downloaded"
set +e
"$fetch" --check-release --endpoints "$work/endpoints.ini" --full >"$work/out.txt" 2>"$work/err.txt"; code=$?
set -e
cat "$work/out.txt"
[ "$code" = 1 ] || fail "a broken release with --full gave exit $code, not 1"
expect data/one.pak "$base/data/one.pak" ok ok ok
expect three.bin "$base/three.bin" ok ok ok
expect three.bin "$mirror/three.bin" FAIL ok FAIL "sha256"
# Whatever its download gives, a source that refuses ranges fails its row.
expect three.bin "$norange/three.bin" ok FAIL '[^ ]+'

echo "== the repaired release"
cp -p "$work/release/two.dat" "$work/release/three.bin" "$work/b/www/rel/"
publish "$mirror"
set +e
"$fetch" --full --check-release --endpoints "$work/endpoints.ini" >"$work/out.txt" 2>"$work/err.txt"; code=$?
set -e
cat "$work/out.txt"
[ "$code" = 0 ] || fail "a sound release gave exit $code"
! grep -q FAIL "$work/out.txt" || fail "a failing row in a sound release"
grep -q "^release check passed: 6 file sources checked, 0 failed" "$work/out.txt" || fail "summary"

echo "== manifests the build's key does not accept"
sed -i 's/<UpdateInfo /<UpdateInfo x="1" /' "$work/a/www/dlq/UpdateInfo_test.xml"
set +e
"$fetch" --check-release --endpoints "$work/endpoints.ini" >"$work/out.txt" 2>"$work/err.txt"; code=$?
set -e
[ "$code" = 6 ] || fail "a tampered manifest gave exit $code, not 6"
grep -q "no usable manifest" "$work/out.txt" || fail "no word of the manifest"
endpoints "$work/gone.ini" "http://127.0.0.1:$port_b/nothing.xml"
set +e
"$fetch" --check-release --endpoints "$work/gone.ini" >"$work/out.txt" 2>"$work/err.txt"; code=$?
set -e
[ "$code" = 6 ] || fail "a missing manifest gave exit $code, not 6"
echo "all release check cases passed"
