# The two commands of the README: `make demo` and `make check`.
# Both bootstrap first, so a fresh Debian machine needs nothing else.
SHELL := /bin/bash
JOBS  ?= 2
FUZZ_SECONDS ?= 20

.PHONY: all bootstrap build build-linux build-windows check test-linux test-windows \
        fuzz bench demo run clean

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

check: test-linux test-windows fuzz
	@echo "make check: all tests passed"

bench: bootstrap
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j$(JOBS)
	@scripts/run-benchmarks build/bench
	@bench/cli/parallel_fetch.sh build/bench

# Builds vellumark-cli, serves the bundled demo site (scripts/demo) with nginx
# in a private network namespace, prints the tag lines for the demo addresses
# and stops the site. DEMO_OPTIONS go to vellumark-cli (e.g. DEMO_OPTIONS=--json).
DEMO_OPTIONS ?=
demo: bootstrap
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux --target vellumark-cli -j$(JOBS)
	@echo "== vellumark-cli over the demo site (addresses: scripts/demo/addresses.txt)"
	@scripts/demo/run-demo build/linux/src/cli/vellumark-cli $(DEMO_OPTIONS)

# Vellumark.exe under Wine on the user's display, with the Japanese locale.
run: build-windows
	@scripts/wine-prefix
	@scripts/wine-run build/windows/src/Vellumark/Vellumark.exe

clean:
	rm -rf build/linux build/windows build/bench build/fuzz
