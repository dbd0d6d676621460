# The two commands of the README. Everything else is CMake's business.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache

# Paths inside the checkout hash relative, so other checkouts share the cache.
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: run test build deps configure bench clean asan

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: CMakeLists.txt
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@cmake --build $(BUILD_DIR) --target datafile
	@cd $(BUILD_DIR) && ./morvane

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The tests under AddressSanitizer and UndefinedBehaviorSanitizer, in a build
# folder of their own so the normal build stays incremental.
ASAN_DIR ?= build-asan
asan: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORVANE_SANITIZE=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# The timing table on the big shop. The shop is made once under
# $(BUILD_DIR)/bench and kept until its generator's version changes.
# BENCH_ARGS: --runs N (default 5), --plans (query plans after the table).
BENCH_ARGS ?=
bench: configure
	@cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)
	@$(BUILD_DIR)/bench/bench_bigshop $(BUILD_DIR)/bench/bigshop.db
	@git log -1 --format='bench on %h %s' 2>/dev/null || true
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/bench_run $(BUILD_DIR)/bench/bigshop.db $(BENCH_ARGS)

clean:
	@rm -rf $(BUILD_DIR)
