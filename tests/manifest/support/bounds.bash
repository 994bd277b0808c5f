# Manifest answers that must cost a bounded wait and memory, for launcher_manifest_bounds.sh
# and wine_manifest_bounds.sh (sourced after e2e_common.bash). Uses $work and $maker.
#   bounds_manifests     writes $work/huge.xml (32 MiB of <a/> under the root), a signed
#                        $work/good.xml with the line "second-line", and $work/key.txt
#   bounds_endpoints P S [keyed]   prints an endpoints file: primary port P, secondary port S,
#                        with the key of $work/key.txt when keyed is given
#   trickle_start / trickle_stop   a server that sends one header line every 8 s and never
#                        ends its head; sets trickle_port and trickle_pid (stopped by that pid)

bounds_manifests() {
  python3 - "$work/huge.xml" <<'PY'
import sys
with open(sys.argv[1], 'wb') as f:
    f.write(b'<?xml version="1.0"?>\n<UpdateInfo>')
    f.write(b'<a/>' * (8 << 20))
    f.write(b'</UpdateInfo>\n')
PY
  mkdir -p "$work/release"
  printf '<UpdateInfo><ServerList><S name="second-line" Lip="" Lport="1"/></ServerList><Launcher ver="0.0.1"/></UpdateInfo>\n' \
    > "$work/existing.xml"
  "$maker" --keygen "$work/key.pem" > "$work/key.txt"
  "$maker" --dir "$work/release" --base-url http://127.0.0.1:9/p --existing "$work/existing.xml" \
    --sign "$work/key.pem" --out "$work/good.xml" 2> /dev/null
}

bounds_endpoints() {
  printf '[manifest]\nprimary = 127.0.0.1\nprimary_port = %s\nsecondary = 127.0.0.1\nsecondary_port = %s\n' "$1" "$2"
  printf '[web]\nannouncement = 127.0.0.1:9\n'
  [ -z "${3:-}" ] || printf '[trust]\n%s\n' "$(grep '^key1 = ' "$work/key.txt")"
}

trickle_start() {
  python3 -c '
import socket, sys, threading, time
def trickle(c):
    try:
        c.recv(65536)
        for i in range(1000):
            c.sendall(b"X-Wait: %d\r\n" % i if i else b"HTTP/1.0 200 OK\r\n")
            time.sleep(8)
    except OSError:
        c.close()
listener = socket.create_server(("127.0.0.1", 0))
print(listener.getsockname()[1], flush=True)
while True:
    threading.Thread(target=trickle, args=(listener.accept()[0],), daemon=True).start()
' > "$work/trickle.port" &
  trickle_pid=$!
  for _ in $(seq 1 100); do [ -s "$work/trickle.port" ] && break; sleep 0.1; done
  trickle_port=$(cat "$work/trickle.port")
}

trickle_stop() {
  [ -n "${trickle_pid:-}" ] || return 0
  kill "$trickle_pid" 2>/dev/null || true
  wait "$trickle_pid" 2>/dev/null || true
  trickle_pid=
}
