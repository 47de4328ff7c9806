# Thin wrapper over CMake: every target installs what is missing and builds first.
BUILD_DIR ?= build
FUZZ_DIR  ?= build-fuzz
ASAN_DIR  ?= build-asan
TSAN_DIR  ?= build-tsan
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
ARGS      ?=
# The sanitizer runs are slower; one test at a time keeps their timed integration tests in step.
SAN_JOBS  ?= 1

.PHONY: all deps configure build run test unit-tests fuzz-smoke asan-test tsan-test \
        sanitizer-tests format format-check clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Runs the station, with the simulated scan controller when no serial port is configured.
# Without a display it runs headless: the console (telnet localhost 4000) is the way in.
run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	    echo "No display found: running headless; connect with telnet localhost 4000."; \
	    ./$(BUILD_DIR)/app/kavro --headless --simulate-if-unconfigured $(ARGS); \
	else \
	    ./$(BUILD_DIR)/app/kavro --simulate-if-unconfigured $(ARGS); \
	fi

test: unit-tests fuzz-smoke

unit-tests: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Each fuzz target for a few seconds over its committed corpus (clang build of its own).
fuzz-smoke: deps
	@if [ ! -f $(FUZZ_DIR)/build.ninja ]; then \
	    CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DKAVRO_FUZZ=ON \
	        -DKAVRO_BUILD_TESTS=ON -DKAVRO_BUILD_BENCH=OFF; \
	fi
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target kavro_fuzzers
	@bash scripts/fuzz-smoke.sh $(FUZZ_DIR)

# Every unit, integration and widget test under AddressSanitizer + UndefinedBehaviorSanitizer.
# A lean build of its own: no benchmarks, no fuzzers, -O1.
asan-test: deps
	@if [ ! -f $(ASAN_DIR)/build.ninja ]; then \
	    cmake -S . -B $(ASAN_DIR) -G Ninja -DKAVRO_ASAN=ON -DKAVRO_BUILD_BENCH=OFF; \
	fi
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(SAN_JOBS)

# The tests that run worker threads (label "threads") under ThreadSanitizer; only they are built.
tsan-test: deps
	@if [ ! -f $(TSAN_DIR)/build.ninja ]; then \
	    cmake -S . -B $(TSAN_DIR) -G Ninja -DKAVRO_TSAN=ON -DKAVRO_BUILD_BENCH=OFF; \
	fi
	cmake --build $(TSAN_DIR) -j $(JOBS) --target kavro_threaded_tests
	cd $(TSAN_DIR) && ctest --output-on-failure -j $(SAN_JOBS) -L threads

sanitizer-tests: asan-test tsan-test

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails on the first file that clang-format would change, naming each one.
format-check:
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(ASAN_DIR) $(TSAN_DIR)
