# Thin wrapper over CMake presets. See README.md.
PREFIX ?= /usr/local
DEPS_OK := $(shell scripts/install-deps.sh --check >/dev/null 2>&1 && echo yes)

.PHONY: all deps test demo report-png bench check-scale install fuzz clean

all: test

deps:
ifneq ($(DEPS_OK),yes)
	scripts/install-deps.sh
endif

test: deps
	cmake --preset dev
	cmake --build --preset dev
	ctest --preset dev

demo: deps
	cmake --preset release
	cmake --build --preset release
	scripts/demo.sh build/release

# Remakes the README's screenshot from the demo's report.
report-png: demo
	scripts/report-screenshot.sh build/release/demo/report.html docs/report.png

bench: deps
	cmake --preset release
	cmake --build --preset release
	scripts/run-bench.sh build/release

# Partitioned mining against mine on the shared data sets, P = 1, 2, 4, 16, with pass timings.
check-scale: deps
	cmake --preset release
	cmake --build --preset release
	scripts/check-scale.sh build/release

install: deps
	cmake --preset release -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build --preset release
	cmake --install build/release

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzz.sh build/fuzz $(or $(FUZZ_SECONDS),60)

clean:
	rm -rf build
