#!/bin/sh
# Real MCP clients against a built server:  tests/interop/run.sh SERVER
# (VESK_TEST_BINARY, when set, names a shipped server to test instead.)
# `npm ci` installs the pinned packages when missing or stale. Without Node.js
# 20 or later, npm or the packages it exits 77 (skipped), or 1 when
# VESK_REQUIRE_INTEROP=1.
set -u
here=$(cd "$(dirname "$0")" && pwd)
server=${VESK_TEST_BINARY:-${1:?usage: run.sh SERVER}}
binary=$(cd "$(dirname "$server")" && pwd)/$(basename "$server")
unavailable() {
  echo "interop tests cannot run: $1" >&2
  [ "${VESK_REQUIRE_INTEROP:-}" = 1 ] && exit 1
  exit 77
}
major=$(node -p 'process.versions.node.split(".")[0]' 2>/dev/null) || unavailable "no node"
[ "$major" -ge 20 ] || unavailable "node $major is older than 20"
command -v npm >/dev/null 2>&1 || unavailable "no npm"
installed=$here/node_modules/.package-lock.json
if [ ! -f "$installed" ] || [ -n "$(find "$here/package-lock.json" -newer "$installed")" ]; then
  # Few, short retries: without a registry the tests should skip in seconds.
  (cd "$here" && npm ci --no-audit --no-fund --fetch-retries=1 --fetch-retry-mintimeout=2000 \
    --fetch-retry-maxtimeout=10000) >&2 || unavailable "npm ci could not install the pinned packages"
fi
[ -x "$binary" ] || { echo "no server binary at $server" >&2; exit 1; }
cd "$here" && VESK_BINARY=$binary exec node --test interop.test.js
