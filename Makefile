# The two commands of the README, plus the renderer, the benchmarks and the fuzzers.
#   make test              build every preset and run every test (host and Wine,
#                          the Explorer handlers' 64-bit DLL in a 64-bit Wine prefix)
#   make run [FILE=x.nfo]  build and start the viewer under Wine (TAVELIN_WINE_DPI=192: on a 192-DPI screen)
#   make / make render     build tavelin-render, optimised: build/release/tavelin-render
#   make bench             speed figures, as ratios against bare memory work, and what
#                          an Explorer thumbnail costs (64-bit DLL under Wine)
#   make fuzz              each libFuzzer target for FUZZ_SECONDS seconds
#   make install / uninstall   the renderer and the viewer on a Linux desktop (PREFIX, DESTDIR)
#   make dist              the Windows download and the source archive in build/dist
# `make test` ends with a short fuzz pass (CHECK_FUZZ_SECONDS per target).
SHELL := /bin/bash
FILE ?= examples/welcome.nfo
FUZZ_SECONDS ?= 60
CHECK_FUZZ_SECONDS ?= 10
JOBS ?= $(shell nproc)

.PHONY: all render setup build build-host build-win32 build-win64 build-fuzz test test-host test-win32 test-win32-vm test-win64 test-fuzz run bench fuzz clean install uninstall dist test-install

PREFIX ?= /usr/local
DESTDIR ?=
# The viewer alone, in the win32 preset's build: build/win32/tavelin.exe
BUILD_PROGRAM = cmake --preset win32 >/dev/null && cmake --build --preset win32 --target tavelin -j $(JOBS)

all: render

render: setup
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

setup:
	@bash scripts/setup-debian.sh

build-host: setup
	@cmake --preset host >/dev/null
	@cmake --build --preset host -j $(JOBS)

build-win32: setup
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

build-win64: setup
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64 -j $(JOBS)

build: build-host build-win32 build-win64

test-host: build-host
	@ctest --preset host -j $(JOBS)

# The Windows tests need Wine's 32-bit loader. On a machine whose kernel
# cannot run 32-bit programs only the program file itself is checked here, and
# test-win64 runs the viewer's tests against its x86-64 build instead.
test-win32: build-win32 render
	@if scripts/wine32-runs.sh; then scripts/with-display.sh ctest --preset win32 -j $(JOBS); \
	else echo "test-win32: this machine cannot run 32-bit programs: the program file is checked here," \
	  "the viewer's tests run against its x86-64 build in test-win64"; \
	  ctest --preset win32 -R program_image; fi

# The 64-bit Explorer handlers, in their own 64-bit Wine prefix (build/wineprefix64),
# and, where 32-bit programs cannot run, the viewer's tests (label "viewer").
test-win64: build-win64 render
	@if scripts/wine32-runs.sh 2>/dev/null; then viewer="-LE viewer"; else viewer=; fi; \
	TAVELIN_WINEARCH=win64 scripts/with-display.sh ctest --preset win64 -j $(JOBS) $$viewer

# The 32-bit Wine tests inside a virtual machine, for a machine that cannot
# run 32-bit programs itself (root; slow: scripts/vm-test-win32.sh).
test-win32-vm: build-win32 render
	@scripts/vm-test-win32.sh $(TESTS)

test-fuzz: build-fuzz
	@scripts/run-fuzzers.sh $(CHECK_FUZZ_SECONDS)

test: test-host test-fuzz test-win32 test-win64 test-install

run: build-win32
	@scripts/run-viewer.sh "$(FILE)"

bench: render
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS)
	@TAVELIN_RENDER=build/release/tavelin-render build/bench/tavelin_bench $(BENCH_ARGS)
	@if scripts/wine32-runs.sh 2>/dev/null; then arch=win32; else arch=win64; \
	  echo "bench: this machine cannot run 32-bit programs: the viewer's figures are its x86-64 build's"; fi; \
	if cmake --preset $$arch >/dev/null && cmake --build --preset $$arch --target tavelin_win32_bench >/dev/null 2>&1; then \
	  TAVELIN_WINEARCH=$$arch scripts/with-display.sh scripts/wine-run.sh build/$$arch/tavelin_win32_bench.exe; \
	  TAVELIN_WINEARCH=$$arch TAVELIN_WINE_DPI=192 scripts/with-display.sh scripts/wine-run.sh \
	    build/$$arch/tavelin_win32_bench.exe; fi
	@if cmake --preset win64 >/dev/null && cmake --build --preset win64 --target tavelin_explorer_bench_x64 >/dev/null 2>&1; then \
	  TAVELIN_WINEARCH=win64 scripts/with-display.sh scripts/wine-run.sh build/win64/tavelin_explorer_bench_x64.exe \
	    build/win64/tavelin-explorer-x64.dll; fi

build-fuzz: setup
	@cmake --preset fuzz >/dev/null 2>&1
	@cmake --build --preset fuzz -j $(JOBS)

fuzz: build-fuzz
	@scripts/run-fuzzers.sh $(FUZZ_SECONDS)

install: render
	@$(BUILD_PROGRAM)
	@PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" scripts/install.sh install

uninstall:
	@PREFIX="$(PREFIX)" DESTDIR="$(DESTDIR)" scripts/install.sh uninstall

dist: setup
	@$(BUILD_PROGRAM)
	@cmake --build --preset win32 --target tavelin-explorer-x86 -j $(JOBS)
	@cmake --preset win64 >/dev/null && cmake --build --preset win64 --target tavelin-explorer-x64 -j $(JOBS)
	@scripts/dist.sh

test-install: render
	@tests/install/run.sh

# The long runs under Wine (scripts/run-soak.sh): make soak [SEED=S] [STEPS=N] [MINUTES=M],
# make soak-scroll [ROUNDS=R].
.PHONY: soak soak-scroll
soak: build-win32
	@SEED="$(SEED)" STEPS="$(STEPS)" MINUTES="$(MINUTES)" scripts/run-soak.sh random
soak-scroll: build-win32
	@ROUNDS="$(ROUNDS)" scripts/run-soak.sh scroll

clean:
	rm -rf build
