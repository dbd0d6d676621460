# The two commands of the README. Everything else is CMake's business.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache

# Paths inside the checkout hash relative, so other checkouts share the cache.
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: run test build deps configure bench clean asan fuzz

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

# The import readers under libFuzzer (clang), each seeded with real files.
# FUZZ_RUNS executions per reader (default 1 000 000), FUZZ_TIME seconds at
# most each (default 600). The corpora grow in $(FUZZ_DIR)/corpus.
FUZZ_DIR ?= build-fuzz
FUZZ_RUNS ?= 1000000
FUZZ_TIME ?= 600
FUZZ_SEEDS_xls := tests/fixtures/import/products.xls resources/商品导入模板.xls ../shared/fixtures/spreadsheets/*.xls
FUZZ_SEEDS_xlsx := tests/fixtures/import/products.xlsx ../shared/fixtures/spreadsheets/*.xlsx
FUZZ_SEEDS_mdb := ../shared/fixtures/*.mdb
FUZZ_SEEDS_csv := tests/fixtures/import/*.csv
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DMORVANE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
	@cmake --build $(FUZZ_DIR) -j $(JOBS)
	@for r in xls xlsx mdb csv; do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$r $(FUZZ_DIR)/seeds/$$r; \
	  case $$r in xls) s="$(FUZZ_SEEDS_xls)";; xlsx) s="$(FUZZ_SEEDS_xlsx)";; mdb) s="$(FUZZ_SEEDS_mdb)";; csv) s="$(FUZZ_SEEDS_csv)";; esac; \
	  for f in $$s; do [ -f "$$f" ] && cp "$$f" $(FUZZ_DIR)/seeds/$$r/; done; \
	  echo "fuzz_$$r: $(FUZZ_RUNS) runs"; \
	  (cd $(FUZZ_DIR) && ./fuzz/fuzz_$$r -runs=$(FUZZ_RUNS) -max_total_time=$(FUZZ_TIME) -rss_limit_mb=4096 \
	     -print_final_stats=1 corpus/$$r seeds/$$r > fuzz_$$r.log 2>&1); rc=$$?; \
	  tail -12 $(FUZZ_DIR)/fuzz_$$r.log; [ $$rc -eq 0 ] || exit 1; \
	done

clean:
	@rm -rf $(BUILD_DIR)
