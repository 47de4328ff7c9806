# Thin wrapper over CMake: every target installs what is missing and builds first.
BUILD_DIR ?= build
FUZZ_DIR  ?= build-fuzz
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
ARGS      ?=

.PHONY: all deps configure build run test unit-tests fuzz-smoke format clean

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
