#!/bin/sh
# The shipped binary, tested as shipped. Builds the dist preset (on a Mac one
# universal binary, arm64 and x86_64, from macOS 11.0), signs a copy of it ad
# hoc with the hardened runtime on a Mac, runs the whole suite, built for this
# machine by `make build`, against it, and on a Mac packs it with the licences
# of the code compiled into it:
#   dist/vesk-desktop-mcp-VERSION-macos-universal.tar.gz and dist/SHA256SUMS
# `make dist` runs it; its arguments go to CMake.
set -eu
cd "$(dirname "$0")/.."

cmake --preset dist "$@" >/dev/null
cmake --build --preset dist -j
built=build-dist/vesk-desktop-mcp
version=$("$built" --version | sed 's/^vesk-desktop-mcp //')
name=vesk-desktop-mcp-$version-macos-universal
stage=build-dist/stage/$name
rm -rf build-dist/stage
mkdir -p "$stage"
cp "$built" build-dist/LICENSE-simdjson "$stage/"
cp licenses/nlohmann-json.txt "$stage/LICENSE-nlohmann-json"
shipped=$stage/vesk-desktop-mcp
on_a_mac=$([ "$(uname -s)" = Darwin ] && echo yes || echo no)
if [ "$on_a_mac" = yes ]; then
  # No entitlements: the desktop app signs it again, with its own identity.
  codesign --force --sign - --options runtime "$shipped"
fi

VESK_TEST_BINARY="$PWD/$shipped" ctest --preset release -j2

if [ "$on_a_mac" = no ]; then
  echo "Tested $shipped. The release tarball is a Mac artifact: make dist writes it on a Mac only."
  exit 0
fi
rm -rf dist
mkdir dist
# COPYFILE_DISABLE: no AppleDouble files for the extended attributes.
COPYFILE_DISABLE=1 tar -czf "dist/$name.tar.gz" -C build-dist/stage "$name"
(cd dist && shasum -a 256 "$name.tar.gz" >SHA256SUMS)
echo "Wrote dist/$name.tar.gz and dist/SHA256SUMS"
