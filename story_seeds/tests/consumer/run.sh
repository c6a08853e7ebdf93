#!/bin/sh
# The store as another project takes it, both ways: from its source folder
# (add_subdirectory) and installed in a scratch prefix (find_package). Each
# build saves a seed into a scratch data folder and reads it back.
#   story_seeds/tests/consumer/run.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
store=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build() {  # folder, then its configure options
  folder=$1
  shift
  cmake -S "$here" -B "$work/$folder" "$@" >/dev/null
  cmake --build "$work/$folder" --parallel 4 >/dev/null
  "$work/$folder/consumer" "$work/$folder-data"
}

echo "story_seeds by add_subdirectory:"
build from-source -DSTORY_SEEDS_SOURCE="$store"

echo "story_seeds by find_package, installed in a scratch prefix:"
cmake -S "$store" -B "$work/store" -DSTORY_SEEDS_BUILD_TESTS=OFF >/dev/null
cmake --build "$work/store" --parallel 4 >/dev/null
cmake --install "$work/store" --prefix "$work/prefix" >/dev/null
build installed -DCMAKE_PREFIX_PATH="$work/prefix"
