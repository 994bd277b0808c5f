#!/usr/bin/env bash
# A line made only of checks joined by && never fails a `set -e` script when an early check is
# false (bash exempts every command of an && list but the last), so such a check can never
# catch anything. Every script of tests/ and tools/ must write each check on its own line.
set -euo pipefail
src=${LAUNCHER_SOURCE:?}
found=$(find "$src/tests" "$src/tools" \( -name '*.sh' -o -name '*.bash' \) -print0 |
  xargs -0 grep -nE '^[[:space:]]*(!?[[:space:]]*(\[\[?|test|cmp|grep|kill -0)[^|;]*&&[[:space:]]*)+!?[[:space:]]*(\[\[?|test|cmp|grep)[^|]*$' |
  grep -vE '&&[[:space:]]*(break|return|continue|exit|echo|\{)|;[[:space:]]*(then|do)\b' || true)
if [ -n "$found" ]; then
  echo "checks joined by && that set -e never acts on:"
  echo "$found"
  exit 1
fi
echo "no blind checks"
