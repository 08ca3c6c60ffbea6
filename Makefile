# Thin wrapper around CMake. `make run` and `make test` each do their whole
# set-up on a fresh Debian 12 machine: packages, configure, build.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
WERROR     ?= OFF
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
XVFB       := xvfb-run -a -s "-screen 0 1600x1200x24"
# Mesa unloads its driver at exit, leaving LeakSanitizer with frames it cannot
# name or suppress; keeping the driver loaded lets the suppressions match.
MESA_DRIVER := $(firstword $(wildcard /usr/lib/*/dri/swrast_dri.so)) \
	$(firstword $(wildcard /usr/lib/*/libGLX_mesa.so.0 /lib/*/libGLX_mesa.so.0))

.PHONY: deps configure build run test package test-sanitize test-tsan fuzz bench clean

deps:
	@sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DORVALIS_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Started from the source tree so the parameter dialogs open in config/.
run: build
	./$(BUILD)/bin/orvalis

test: build
	$(XVFB) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Debian package, orvalis_<version>_<arch>.deb in $(BUILD).
package: build
	cd $(BUILD) && cpack -G DEB

# The same suite built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a bounded run of the parameter-file fuzzer.
# Assertions stay on; -O1 keeps the map engine's tests to minutes, not a quarter hour.
test-sanitize: deps
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
		-DORVALIS_WERROR=$(WERROR) -DORVALIS_SANITIZE=ON -DORVALIS_FUZZ=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LD_PRELOAD="$(strip $(MESA_DRIVER))" \
		$(XVFB) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) fuzz

# The map engine's worker threads, the mapper's and the sweep's threads under
# ThreadSanitizer, built with clang. Qt itself is not instrumented, so
# nothing that shows a window runs here.
test-tsan: deps
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DORVALIS_WERROR=$(WERROR) -DORVALIS_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target tst_core_basin tst_basin_grid tst_core_model tst_view2d_mapper \
		tst_analysis_exponent tst_sweepview_runner
	TSAN_OPTIONS=halt_on_error=1:suppressions=$(CURDIR)/tests/tsan.supp \
		ctest --test-dir $(TSAN_BUILD) --output-on-failure -R 'tst_(core_basin|basin_grid|core_model|view2d_mapper|analysis_exponent|sweepview_runner)$$'

fuzz:
	mkdir -p $(ASAN_BUILD)/fuzz-corpus
	ASAN_OPTIONS=detect_leaks=1 \
		./$(ASAN_BUILD)/bin/fuzz_params -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
		-artifact_prefix=$(ASAN_BUILD)/ $(ASAN_BUILD)/fuzz-corpus tests/fuzz/corpus

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DORVALIS_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bin/bench_*; do \
		echo "== $$b"; \
		$(XVFB) $$b --benchmark_repetitions=10 --benchmark_report_aggregates_only=true || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD)
