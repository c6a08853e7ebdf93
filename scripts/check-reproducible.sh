#!/bin/sh
# Builds the dist preset again, from a copy of the tree in another folder, and
# fails unless the binary is byte for byte build-dist/vesk-desktop-mcp (on a
# Mac that covers both slices). Run it after `make dist`; its arguments go to
# CMake, as they went to `make dist`.
set -eu
cd "$(dirname "$0")/.."
[ -f build-dist/vesk-desktop-mcp ] || { echo "no build-dist/vesk-desktop-mcp: run make dist first" >&2; exit 1; }
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT

# The tree without what builds and installs put in it (a CI checkout may have
# no git to ask), but with the simdjson download, if any.
tar -cf - --exclude=.git --exclude='build*' --exclude=dist --exclude=node_modules . |
  tar -xf - -C "$copy"
(cd "$copy" && cmake --preset dist "$@" >/dev/null && cmake --build --preset dist -j >/dev/null)

if cmp build-dist/vesk-desktop-mcp "$copy/build-dist/vesk-desktop-mcp"; then
  echo "reproducible: $copy/build-dist/vesk-desktop-mcp is byte for byte build-dist/vesk-desktop-mcp"
else
  echo "not reproducible: two builds of the same tree differ" >&2
  exit 1
fi
