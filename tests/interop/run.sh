#!/bin/sh
# Sessions with a built server held by real MCP clients, the pinned packages
# installed by `npm ci` when missing or stale:  tests/interop/run.sh SERVER
# Without Node.js 20 or later, npm or the packages it exits 77 (skipped),
# unless VESK_REQUIRE_INTEROP=1 makes that a failure.
set -u
here=$(cd "$(dirname "$0")" && pwd)
binary=${1:?usage: run.sh SERVER_BINARY}

unavailable() {
  if [ "${VESK_REQUIRE_INTEROP:-}" = 1 ]; then
    echo "interop tests cannot run: $1 (VESK_REQUIRE_INTEROP=1)" >&2
    exit 1
  fi
  echo "interop tests skipped: $1"
  exit 77
}

command -v npm >/dev/null 2>&1 || unavailable "npm is not installed"
major=$(node -p 'process.versions.node.split(".")[0]' 2>/dev/null) || unavailable "node is not installed"
[ "$major" -ge 20 ] || unavailable "node $major is older than 20"

installed=$here/node_modules/.package-lock.json
if [ ! -f "$installed" ] || [ -n "$(find "$here/package-lock.json" -newer "$installed")" ]; then
  # Few, short retries: without a registry the tests should skip in seconds.
  (cd "$here" && npm ci --no-audit --no-fund --fetch-retries=1 --fetch-retry-mintimeout=2000 \
    --fetch-retry-maxtimeout=10000) >&2 || unavailable "npm ci could not install the pinned packages"
fi

case $binary in /*) ;; *) binary=$PWD/$binary ;; esac
[ -x "$binary" ] || { echo "no server binary at $binary" >&2; exit 1; }
cd "$here" && VESK_BINARY=$binary exec node --test interop.test.js
