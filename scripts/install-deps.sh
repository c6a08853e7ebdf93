#!/usr/bin/env bash
# Installs what building and testing need, and only what is missing.
#   scripts/install-deps.sh            compiler, CMake, JSON library, GoogleTest
#   scripts/install-deps.sh --fuzz     also Clang with its sanitizer and libFuzzer runtimes
#   scripts/install-deps.sh --interop  also Node.js and npm (for the client interop tests)
set -euo pipefail

want_fuzz=0
want_interop=0
for arg in "$@"; do
  case "$arg" in
    --fuzz) want_fuzz=1 ;;
    --interop) want_interop=1 ;;
    *) echo "usage: $0 [--fuzz] [--interop]" >&2; exit 2 ;;
  esac
done

install_debian() {
  local packages=(cmake make g++ nlohmann-json3-dev libgtest-dev strace)
  ((want_fuzz)) && packages+=(clang libclang-rt-14-dev)
  ((want_interop)) && ! command -v node >/dev/null && packages+=(nodejs npm)
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  local sudo=()
  ((EUID == 0)) || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

install_macos() {
  local formulae=(cmake nlohmann-json googletest)
  ((want_fuzz)) && formulae+=(llvm)
  ((want_interop)) && formulae+=(node)
  local missing=()
  for formula in "${formulae[@]}"; do
    brew list --formula "$formula" >/dev/null 2>&1 || missing+=("$formula")
  done
  ((${#missing[@]} == 0)) || brew install "${missing[@]}"
}

case "$(uname -s)" in
  Darwin) install_macos ;;
  Linux)
    if command -v dpkg-query >/dev/null; then
      install_debian
    else
      echo "Install CMake, a C++20 compiler, nlohmann-json and GoogleTest yourself." >&2
    fi
    ;;
  *) echo "Unsupported system: $(uname -s)" >&2; exit 1 ;;
esac
