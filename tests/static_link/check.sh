#!/bin/sh
# Builds the server against simdjson laid out as Homebrew's keg is (a CMake
# package naming the shared library, with libsimdjson.a beside it) and fails
# unless the binary needs no simdjson shared library, which an upgrade of the
# package would remove. Linux only (ldd); CI runs it:
#   tests/static_link/check.sh SCRATCH_DIRECTORY
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:?usage: check.sh SCRATCH_DIRECTORY}
prefix=$work/prefix
mkdir -p "$prefix/include" "$prefix/lib/cmake/simdjson"

# simdjson's single-file release, the one the macOS build check uses.
(cd "$work" && npm install --no-save --no-audit --no-fund --loglevel=error @nozbe/simdjson@3.9.4)
sources=$work/node_modules/@nozbe/simdjson/src
cp "$sources/simdjson.h" "$prefix/include/"
c++ -std=c++17 -O2 -fPIC -c "$sources/simdjson.cpp" -o "$work/simdjson.o"
c++ -shared -Wl,-soname,libsimdjson.so.24 "$work/simdjson.o" -o "$prefix/lib/libsimdjson.so.24"
ar rcs "$prefix/lib/libsimdjson.a" "$work/simdjson.o"
cat >"$prefix/lib/cmake/simdjson/simdjson-config.cmake" <<'CMAKE'
get_filename_component(prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
add_library(simdjson::simdjson SHARED IMPORTED)
set_target_properties(simdjson::simdjson PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${prefix}/include" IMPORTED_LOCATION "${prefix}/lib/libsimdjson.so.24")
CMAKE

cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DVESK_BUILD_TESTS=OFF \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" --target vesk-desktop-mcp -j 2 >/dev/null
binary=$work/build/vesk-desktop-mcp
if ldd "$binary" | grep simdjson; then
  echo "$binary needs a simdjson shared library" >&2
  exit 1
fi
# Where this simdjson differs from Debian's (it skips a byte-order mark and has
# its own error for big integers), the answers must not.
answer=$(printf '{"id":18446744073709551616,"method":"ping"}\n\357\273\277{"id":1}\n' | "$binary" 2>/dev/null)
[ "$answer" = '{"id":1.8446744073709552e+19,"jsonrpc":"2.0","result":{}}
{"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"}' ] ||
  { echo "answered: $answer" >&2; exit 1; }
echo "static link check: $binary needs no simdjson shared library"
