#!/usr/bin/env bash
# ./run bench manifest: parses a 5,000-entry manifest with our reader and with pugixml, same bytes.
set -euo pipefail
top=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
bench=$top/dist/linux/manifest-bench
[ -x "$bench" ] || bench=$top/build/linux/tools/manifest-bench
exec "$bench" --entries "${ENTRIES:-5000}" --runs "${RUNS:-31}"
