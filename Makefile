# The two commands of the README: `make demo` and `make check`.
# Both bootstrap first, so a fresh Debian machine needs nothing else.
SHELL := /bin/bash
JOBS  ?= 2
FUZZ_SECONDS ?= 20

VERSION := 0.6.9.19
PREFIX ?= /usr/local

.PHONY: all bootstrap build build-linux build-windows build-release build-windows-release \
        check test-linux test-windows fuzz bench demo run dist dist-check install clean

all: build

bootstrap:
	@scripts/bootstrap

build-linux: bootstrap
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j$(JOBS)

build-windows: bootstrap
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j$(JOBS)

build: build-linux build-windows

# Optimised builds without sanitizers: the demo, the downloads, install.
build-release: bootstrap
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j$(JOBS)

build-windows-release: bootstrap
	@cmake --preset windows-release >/dev/null
	@cmake --build --preset windows-release -j$(JOBS)

test-linux: build-linux
	@ctest --preset linux -j$(JOBS)

# One wineserver stays up for the whole run, so each test program does not
# pay for starting one.
test-windows: build-windows
	@scripts/with-wineserver ctest --preset windows

fuzz: bootstrap
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j$(JOBS)
	@scripts/run-fuzzers build/fuzz $(FUZZ_SECONDS)

check: test-linux test-windows fuzz dist-check
	@echo "make check: all tests passed"

bench: bootstrap
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j$(JOBS)
	@scripts/run-benchmarks build/bench
	@bench/cli/parallel_fetch.sh build/bench
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target window_build_bench -j$(JOBS)
	@bench/Main/window_build.sh build/bench build/windows

# Builds vellumark-cli, serves the bundled demo site (scripts/demo) with nginx
# in a private network namespace, prints the tag lines for the demo addresses
# and stops the site. DEMO_OPTIONS go to vellumark-cli (e.g. DEMO_OPTIONS=--json).
DEMO_OPTIONS ?=
demo: build-release
	@echo "== vellumark-cli over the demo site (addresses: scripts/demo/addresses.txt)"
	@scripts/demo/run-demo build/release/src/cli/vellumark-cli $(DEMO_OPTIONS)

# The downloads in build/dist: Vellumark-$(VERSION)-win64.zip and
# vellumark-cli-$(VERSION)-linux-x86_64.tar.gz.
dist: build-release build-windows-release
	@scripts/dist/make-dist build/windows-release build/release $(VERSION)

# What the archives hold, and the zipped Vellumark.exe starting under Wine.
dist-check: dist
	@scripts/with-xvfb scripts/dist/check-dist $(VERSION)

# vellumark-cli and its manual page under $(PREFIX) (bin/, share/man/man1/).
install: build-release
	@cmake --install build/release --prefix $(PREFIX)

# Vellumark.exe under Wine on the user's display, with the Japanese locale.
run: build-windows
	@scripts/wine-prefix
	@scripts/wine-run build/windows/src/Vellumark/Vellumark.exe

clean:
	rm -rf build/linux build/windows build/release build/windows-release build/bench build/fuzz build/dist
