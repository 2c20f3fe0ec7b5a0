# Two commands do everything on a fresh Debian 12 machine:
#   make run    install what the programs need, build them, start SORPEX
#   make test   install what the tests need besides, build, run every test (also under the sanitizers)

JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
FUZZ_BUILD := build-fuzz
PACKAGE_BUILD := build-package
DEMO_BASE ?= 127.0.0
CTEST := ctest --output-on-failure --no-tests=error -j $(JOBS)


.PHONY: all deps deps-run deps-package configure build programs run demo screenshots bench package test test-main test-asan test-tsan test-fuzz test-package format format-check clean

all: build

# What the two programs need to build and run; what make package needs besides; everything.
deps-run:
	@scripts/install-deps.sh run

deps-package:
	@scripts/install-deps.sh package

deps:
	@scripts/install-deps.sh test

# make run configures without the tests (their libraries are not installed yet); make test turns
# them on in the same build folder, and make run then still builds only the programs.
$(BUILD)/CMakeCache.txt: | deps-run
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORPEX_TESTS=OFF

configure: deps
	@grep -qx 'SORPEX_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt 2>/dev/null || \
		cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORPEX_TESTS=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

programs: deps-run $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target sorpex zuvfntc

# Without a display the program says so, and how to start it under Xvfb (exit code 9).
run: programs
	$(BUILD)/app/sorpex

# The window and its dialogs under the Japanese locale, as PNGs in docs/ for the README. Run it
# again whenever a dialog changes, and commit the pictures.
screenshots: build
	@scripts/screenshots.sh $(BUILD)/app/sorpex docs

# Times and peak memory beside what a user would otherwise script; asserts nothing.
bench: build
	@bench/run_bench.sh $(BUILD)

# A simulated fleet of thirty devices on loopback, and SORPEX opened on it; DEMO_BASE=127.0.5
# moves it to 127.0.5.1 ... 127.0.5.30.
demo: build
	@scripts/demo.sh $(BUILD)/app/sorpex --base $(DEMO_BASE)

# The Debian package, sorpex_<version>_amd64.deb, from a Release build of its own.
package: deps-package
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DSORPEX_TESTS=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack

test: format-check test-main test-asan test-tsan test-fuzz test-package

test-main: build
	cd $(BUILD) && $(CTEST)

# The core and converter tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSORPEX_GUI=OFF -DSORPEX_SANITIZE=address,undefined
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST)

# The acquisition run's tests once more under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORPEX_GUI=OFF -DSORPEX_SANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1 $(CTEST) -L run

# Every libFuzzer target for a short while (clang).
test-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORPEX_GUI=OFF \
		-DSORPEX_TESTS=OFF -DSORPEX_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	cd $(FUZZ_BUILD) && $(CTEST) -L fuzz

# The package as make package builds it (about a minute more on two cores): its files, its
# Depends, the desktop entry and the manual pages, unpacked into a temporary folder.
test-package: package
	tests/packaging/check_install.sh $(PACKAGE_BUILD)/sorpex_*_amd64.deb .

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Part of make test: a source that clang-format would change fails the run (make format mends it).
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD)
