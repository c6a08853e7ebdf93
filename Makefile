# Thin wrapper over the CMake presets. `make demo` and `make test` install
# missing build dependencies first.
# Where `make install` puts bin/vesk-desktop-mcp: a folder of your own, so that
# no sudo is needed (on a Mac /usr/local belongs to root).
PREFIX ?= $(HOME)/.local
# Extra CMake options, e.g. CMAKE_FLAGS=-DVESK_WERROR=ON.
CMAKE_FLAGS ?=
# Seconds each fuzz target runs for in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: all deps build demo test test-sanitize dist install clean fuzz bench

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset release $(CMAKE_FLAGS) >/dev/null
	@cmake --build --preset release -j

demo: build
	@scripts/demo.sh build/vesk-desktop-mcp

test: build
	@ctest --preset release -j2

test-sanitize:
	@scripts/install-deps.sh --fuzz
	@cmake --preset sanitize $(CMAKE_FLAGS) >/dev/null
	@cmake --build --preset sanitize -j
	@ctest --preset sanitize -j2

# The shipped binary (preset dist), through the whole suite; on a Mac also
# the release tarball and its checksum in dist/.
dist: build
	@scripts/dist.sh $(CMAKE_FLAGS)

# The fuzz target for FUZZ_SECONDS; fails on any finding (copied to
# fuzz/regressions/, which every later run replays).
fuzz:
	@scripts/install-deps.sh --fuzz
	@cmake --preset fuzz $(CMAKE_FLAGS) >/dev/null
	@cmake --build --preset fuzz -j >/dev/null
	@fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The optimised server against the pipe floor, through the same driver.
bench: deps
	@cmake --preset release $(CMAKE_FLAGS) >/dev/null
	@cmake --build --preset release -j --target vesk-desktop-mcp pipe_floor bench_driver >/dev/null
	@build/bench/bench_driver build/vesk-desktop-mcp build/bench/pipe_floor build

install: build
	@cmake --install build --prefix "$(PREFIX)" >/dev/null
	@echo "Installed $(PREFIX)/bin/vesk-desktop-mcp"
	@echo "Register it with your agent by that path, e.g.:"
	@echo "  claude mcp add --scope user vesk-stories -- $(PREFIX)/bin/vesk-desktop-mcp"
	@echo "  codex mcp add vesk-stories -- $(PREFIX)/bin/vesk-desktop-mcp"

clean:
	rm -rf build build-debug build-sanitize build-fuzz build-dist dist
