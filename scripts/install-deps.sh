#!/bin/sh
# Installs what building and testing need, and only what is missing.
#   scripts/install-deps.sh            compiler, CMake, nlohmann JSON, GoogleTest
#                                      (and strace on Linux, for the fault tests);
#                                      the build compiles simdjson from its pinned release
#   scripts/install-deps.sh --fuzz     also Clang with its sanitizer and libFuzzer runtimes
#   scripts/install-deps.sh --interop  also Node.js 20 or later and npm (for the
#                                      client interop tests)
set -eu

want_fuzz=0
want_interop=0
for arg in "$@"; do
  case "$arg" in
    --fuzz) want_fuzz=1 ;;
    --interop) want_interop=1 ;;
    *)
      echo "usage: $0 [--fuzz] [--interop]" >&2
      exit 2
      ;;
  esac
done

# CMake on a Mac, and Node.js anywhere, count by what is on the PATH, however
# it came there (the CMake app, nvm, a CI runner's own).
have_cmake() {  # 3.25 or later
  version=$(cmake --version 2>/dev/null | sed -n 's/^cmake version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')
  [ -n "$version" ] || return 1
  major=${version% *}
  minor=${version#* }
  [ "$major" -gt 3 ] || { [ "$major" -eq 3 ] && [ "$minor" -ge 25 ]; }
}

have_node() {  # Node.js 20 or later, with npm
  major=$(node -p 'process.versions.node.split(".")[0]' 2>/dev/null) &&
    [ "$major" -ge 20 ] && command -v npm >/dev/null 2>&1
}

install_debian() {
  # ca-certificates: the build downloads simdjson over HTTPS.
  packages="cmake make g++ ca-certificates nlohmann-json3-dev libgtest-dev strace"
  if [ "$want_fuzz" = 1 ]; then packages="$packages clang libclang-rt-14-dev"; fi
  node_from_npm=0
  if [ "$want_interop" = 1 ] && ! have_node; then
    # Debian 12's Node.js is 18; its npm fetches 20 from the npm registry.
    if ! command -v npm >/dev/null; then packages="$packages nodejs npm"; fi
    node_from_npm=1
  fi
  missing=""
  for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing="$missing $package"
  done
  if [ -z "$missing" ] && [ "$node_from_npm" = 0 ]; then return 0; fi
  if [ "$(id -u)" = 0 ]; then
    sudo=""
  elif command -v sudo >/dev/null; then
    sudo=sudo
  else
    if [ -n "$missing" ]; then
      echo "Missing packages:$missing" >&2
      echo "Install them as root: apt-get install$missing" >&2
    fi
    if [ "$node_from_npm" = 1 ]; then
      echo "Missing Node.js 20; install it as root: npm install --global node@20" >&2
    fi
    exit 1
  fi
  if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update -qq
    # shellcheck disable=SC2086 # one word per package
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      $missing >/dev/null
  fi
  if [ "$node_from_npm" = 1 ]; then
    echo "Installing: Node.js 20 from the npm registry"
    $sudo npm install --global --no-audit --no-fund --loglevel=error node@20
  fi
}

install_macos() {
  if ! xcode-select -p >/dev/null 2>&1; then
    echo "First install Apple's command-line developer tools: xcode-select --install" >&2
    exit 1
  fi
  if ! command -v brew >/dev/null 2>&1; then
    echo "First install Homebrew (see https://brew.sh), then run this again." >&2
    exit 1
  fi
  formulae="nlohmann-json googletest"
  if [ "$want_fuzz" = 1 ]; then formulae="$formulae llvm"; fi
  missing=""
  for formula in $formulae; do
    brew list --formula "$formula" >/dev/null 2>&1 || missing="$missing $formula"
  done
  if ! have_cmake; then missing="$missing cmake"; fi
  if [ "$want_interop" = 1 ] && ! have_node; then missing="$missing node"; fi
  # shellcheck disable=SC2086 # one word per formula
  if [ -n "$missing" ]; then brew install $missing; fi
}

case "$(uname -s)" in
  Darwin) install_macos ;;
  Linux)
    if command -v dpkg-query >/dev/null; then
      install_debian
    else
      echo "Install CMake, a C++20 compiler, nlohmann-json, GoogleTest and strace yourself." >&2
    fi
    ;;
  *)
    echo "Unsupported system: $(uname -s)" >&2
    exit 1
    ;;
esac
