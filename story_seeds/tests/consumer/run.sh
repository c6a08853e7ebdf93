#!/bin/sh
# Builds the consumer project both ways, from the store's folder and from a
# scratch install of it, and saves a seed with each:  story_seeds/tests/consumer/run.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
store=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build() {  # FOLDER CMAKE_OPTION
  cmake -S "$1" -B "$work/$(basename "$1")-$3" "$2" >/dev/null
  cmake --build "$work/$(basename "$1")-$3" --parallel 4 >/dev/null
}

build "$here" -DSTORY_SEEDS_SOURCE="$store" from-source
seed=$("$work/consumer-from-source/consumer" "$work/data-1")
echo "by add_subdirectory: $seed"
build "$store" -DSTORY_SEEDS_BUILD_TESTS=OFF for-install
cmake --install "$work/story_seeds-for-install" --prefix "$work/prefix" >/dev/null
build "$here" -DCMAKE_PREFIX_PATH="$work/prefix" installed
seed=$("$work/consumer-installed/consumer" "$work/data-2")
echo "by find_package: $seed"
