# The two commands of the quick start, and the longer runs beside them.
#   make run      build the release binary if needed and start devmgr here
#   make test     build and run every test, then the same suite under ASan + UBSan, a
#                 short fuzz pass, and the Windows build's tests under Wine
#   make windows  cross-compile devmgr.exe (MinGW-w64) and pack
#                 build/windows/devmgr-VERSION-windows-x86_64.zip
#   make bench    benchmark devmgr against standard tools (writes bench/RESULTS.md)
#   make fuzz     run each fuzz target for FUZZ_SECONDS (default 600)

FUZZ_SECONDS ?= 600

.PHONY: run test test-plain test-asan test-fuzz test-windows windows bench fuzz build clean \
	deps build-deps windows-deps

# What building needs (cmake, g++, make), and what testing needs besides.
build-deps:
	@scripts/ensure-deps.sh build

deps:
	@scripts/ensure-deps.sh test

windows-deps:
	@scripts/ensure-deps.sh windows

build: build-deps
	cmake --preset release >/dev/null
	cmake --build --preset release

# devmgr speaks the terminal's encoding itself (UTF-8 or GBK); nothing wraps it.
run: build
	build/release/devmgr

test: deps test-plain test-asan test-fuzz test-windows

test-plain:
	cmake --preset test
	cmake --build --preset test
	ctest --preset test

test-asan:
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# A short fuzz pass over the committed corpora, so a regression shows in every test run.
test-fuzz:
	cmake --preset fuzz
	cmake --build --preset fuzz
	tests/fuzz/run.sh 30

# The Windows build, cross-compiled; its tests run under Wine (scripts/wine-run.sh).
test-windows:
	cmake --preset windows
	cmake --build --preset windows
	ctest --preset windows

windows: windows-deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows
	cd build/windows && cpack

bench: deps build
	bench/run.sh

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	tests/fuzz/run.sh $(FUZZ_SECONDS)

clean:
	rm -rf build
