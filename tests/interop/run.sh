#!/bin/sh
# Runs interop test files against a built server:
#   run.sh PATH/TO/vesk-desktop-mcp FILE.test.js...
# Installs the pinned client packages first when node_modules is missing or
# older than the lock file. Without node, npm or the packages the tests count
# as skipped (exit 77), unless VESK_REQUIRE_INTEROP=1 makes that a failure.
set -u

here=$(cd "$(dirname "$0")" && pwd)
binary=${1:?usage: run.sh SERVER_BINARY TEST_FILE...}
shift

unavailable() {
  if [ "${VESK_REQUIRE_INTEROP:-}" = 1 ]; then
    echo "interop tests cannot run: $1 (VESK_REQUIRE_INTEROP=1)" >&2
    exit 1
  fi
  echo "interop tests skipped: $1"
  exit 77
}

command -v node >/dev/null 2>&1 || unavailable "node is not installed"
command -v npm >/dev/null 2>&1 || unavailable "npm is not installed"
node_major=$(node -p 'process.versions.node.split(".")[0]')
[ "$node_major" -ge 20 ] || unavailable "node $node_major is older than 20"

installed="$here/node_modules/.package-lock.json"
if [ ! -f "$installed" ] || [ "$here/package-lock.json" -nt "$installed" ]; then
  # Few, short retries: without a registry the tests should skip in seconds.
  (cd "$here" && npm ci --no-audit --no-fund --fetch-retries=1 \
    --fetch-retry-mintimeout=2000 --fetch-retry-maxtimeout=10000) >&2 ||
    unavailable "npm ci could not install the pinned packages"
fi

case $binary in
  /*) ;;
  *) binary="$PWD/$binary" ;;
esac
if [ ! -x "$binary" ]; then
  echo "no server binary at $binary" >&2
  exit 1
fi

cd "$here" && VESK_BINARY=$binary exec node --test "$@"
