# make run   installs what is missing, builds, and runs the program's main job.
# make test  installs what is missing, builds, and runs every test and check.

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
TSAN_DIR ?= build-tsan
JOBS ?= 2
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEDAMAKI_WARNINGS_AS_ERRORS=ON

.PHONY: all setup configure build run test unit-test sanitize-test thread-test fuzz-check core-check format-check format tidy bench install package clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

test: core-check build
	@$(MAKE) --no-print-directory unit-test sanitize-test thread-test fuzz-check format-check

unit-test:
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

sanitize-test: setup
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DEDAMAKI_SANITIZE=ON -DEDAMAKI_WARNINGS_AS_ERRORS=ON \
		-DEDAMAKI_BUILD_GUI=OFF -DEDAMAKI_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) --target edamaki_core_tests
	@cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) -R '^[A-Za-z]+Test\.'

# The walks that run side by side, under ThreadSanitizer.
thread-test: setup
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEDAMAKI_THREAD_SANITIZE=ON \
		-DEDAMAKI_WARNINGS_AS_ERRORS=ON -DEDAMAKI_BUILD_GUI=OFF -DEDAMAKI_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target edamaki_core_tests
	@cd $(TSAN_DIR) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -R '^(Parallel[A-Za-z]*Test\.|[A-Za-z]+Test\.SideBySide)'

# The fuzz targets build with clang and run briefly on their seeds, so that a
# change of the core can't leave them broken; long runs are by hand (README).
fuzz-check: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DEDAMAKI_BUILD_FUZZ=ON -DEDAMAKI_BUILD_GUI=OFF \
		-DEDAMAKI_BUILD_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@bash scripts/fuzz-smoke.sh $(FUZZ_DIR)

core-check:
	@bash scripts/check-core.sh

format-check:
	@bash scripts/format.sh --check

format:
	@bash scripts/format.sh

tidy: configure
	@bash scripts/tidy.sh $(BUILD_DIR)

bench: build
	@$(BUILD_DIR)/edamaki_bench

install: build
	@cmake --install $(BUILD_DIR)

# The Debian package, $(BUILD_DIR)/edamaki_VERSION_ARCH.deb.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR) $(FUZZ_DIR)
