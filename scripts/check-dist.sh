#!/bin/sh
# Checks the release tarball that `make dist` wrote, as a member's Mac gets
# it: the checksum, the licences beside the binary, both architectures, the
# minimum macOS of each slice, only the system's libraries, the ad hoc
# signature with the hardened runtime, and no debug map. macOS only.
#   scripts/check-dist.sh [DIST_FOLDER [MINIMUM_MACOS]]   (dist, 11.0)
set -eu
dist=${1:-dist}
minimum=${2:-11.0}
fail() {
  echo "check-dist: $1" >&2
  exit 1
}

(cd "$dist" && shasum -a 256 -c SHA256SUMS)
tarball=$(awk '{print $2}' "$dist/SHA256SUMS")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xzf "$dist/$tarball" -C "$work"
folder=$work/${tarball%.tar.gz}
for file in vesk-desktop-mcp LICENSE-simdjson LICENSE-nlohmann-json; do
  [ -s "$folder/$file" ] || fail "$tarball holds no $file"
done
binary=$folder/vesk-desktop-mcp

architectures=$(lipo -archs "$binary" | xargs)  # without the trailing space some lipos print
echo "architectures: $architectures"
[ "$architectures" = "x86_64 arm64" ] || fail "not the two architectures x86_64 and arm64"
for arch in $architectures; do
  found=$(otool -l -arch "$arch" "$binary" | awk '/LC_BUILD_VERSION/ {b = 1} b && $1 == "minos" {print $2; exit}')
  echo "$arch: minimum macOS $found"
  [ "$found" = "$minimum" ] || fail "$arch: minimum macOS $found, not $minimum"
done

libraries=$(otool -L -arch all "$binary" | grep -v ':$' | awk '{print $1}' | sort -u)
echo "loads: $(echo "$libraries" | tr '\n' ' ')"
if echo "$libraries" | grep -v -e '^/usr/lib/' -e '^/System/'; then
  fail "loads a library outside /usr/lib and /System"
fi

codesign --verify --strict --verbose=2 "$binary"
codesign --display --verbose=2 "$binary" 2>&1 | grep -q '^CodeDirectory .*flags=.*runtime' ||
  fail "not signed with the hardened runtime"
# A debug map names the object files and their times.
if nm -ap "$binary" | grep -q ' OSO '; then fail "the binary carries a debug map"; fi
echo "check-dist: $tarball holds a binary fit to ship"
