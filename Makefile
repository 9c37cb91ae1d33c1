# Every target runs its commands in the build environment (tools/env), which
# provisions itself on first use.
ENV      := tools/env
GENERATOR := -G Ninja
RELEASE  := build/release
FREE     := build/free-threaded
TSAN     := build/tsan
ASAN     := build/asan
BENCH    := build/bench
WERROR   ?= OFF
TSAN_OPTIONS_RUN := second_deadlock_stack=1 external_symbolizer_path=/usr/bin/addr2line \
	suppressions=$(CURDIR)/tests/native/tsan.supp

.PHONY: build test test-native test-python test-python-threads test-free-threaded test-tsan test-asan \
	test-install bench demo fit survey clean

build:
	$(ENV) cmake -S . -B $(RELEASE) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCAUSTIX_WERROR=$(WERROR)
	$(ENV) cmake --build $(RELEASE)

# The test command: warnings are errors here.
test:
	$(MAKE) build WERROR=ON
	$(MAKE) test-native test-python test-python-threads test-free-threaded test-tsan test-asan test-install

test-native:
	$(ENV) ctest --test-dir $(RELEASE) --output-on-failure

test-python:
	$(ENV) python3 -m pytest -q tests

# The Python suite again, each test run by 4 threads at once.
test-python-threads:
	$(ENV) python3 -m pytest -q --parallel-threads=4 tests

# The free-threaded module, from the same sources: compiled and linked, not
# imported (no free-threaded interpreter is available to run it).
test-free-threaded: build
	$(ENV) cmake -S . -B $(FREE) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCAUSTIX_WERROR=ON \
	  -DCAUSTIX_FREE_THREADED=ON -DCAUSTIX_TESTS=OFF
	$(ENV) cmake --build $(FREE)
	$(ENV) sh -c 'tools/check-exports $(RELEASE)/caustix.cpython-314-*.so $(FREE)/caustix.cpython-314t-*.so'

# The native core's tests under ThreadSanitizer (built with clang).
test-tsan:
	$(ENV) cmake -S . -B $(TSAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAUSTIX_WERROR=ON \
	  -DCMAKE_CXX_COMPILER=clang++ -DCAUSTIX_SANITIZE=thread
	$(ENV) cmake --build $(TSAN) --target caustix_native_tests caustix_tsan_canary
	@# The quadrature tables' thread-safe first use, in a process of its own
	@# (in the full run an earlier test has built them already).
	$(ENV) env TSAN_OPTIONS="$(TSAN_OPTIONS_RUN) halt_on_error=1" $(TSAN)/caustix_native_tests \
	  --gtest_filter=TanhSinh.ThreadSafeFirstUse
	$(ENV) env TSAN_OPTIONS="$(TSAN_OPTIONS_RUN) halt_on_error=1" $(TSAN)/caustix_native_tests
	@# The canary's deliberate race must still be reported.
	$(ENV) sh -c 'TSAN_OPTIONS="$(TSAN_OPTIONS_RUN)" $(TSAN)/caustix_tsan_canary 2>&1 | grep -q "SUMMARY: ThreadSanitizer: data race .*tsan_canary.cpp"' \
	  && echo "ThreadSanitizer reports the canary's race"

# The module under AddressSanitizer and UndefinedBehaviorSanitizer, running
# the whole Python suite. The interpreter is not instrumented, so the runtime
# is preloaded, with libstdc++ (the runtime must find its exception entry
# points when it starts, before the module loads libstdc++); Python's allocator is bypassed so that its objects are
# checked too. Leak detection is off: the interpreter does not free its own
# objects at exit (leaks are measured by the resident-size test instead).
test-asan:
	$(ENV) cmake -S . -B $(ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAUSTIX_WERROR=ON \
	  -DCAUSTIX_SANITIZE=address -DCAUSTIX_TESTS=OFF
	$(ENV) cmake --build $(ASAN) --target caustix
	CAUSTIX_BUILD_DIR=$(ASAN) $(ENV) env CAUSTIX_SANITIZED=1 PYTHONMALLOC=malloc \
	  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  sh -c 'LD_PRELOAD="$$(g++ -print-file-name=libasan.so) $$(g++ -print-file-name=libstdc++.so)" exec python3 -m pytest -q tests'

# pip install . into a fresh venv, import from elsewhere, check the stub.
test-install:
	$(ENV) tools/check-install

bench:
	$(ENV) cmake -S . -B $(BENCH) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCAUSTIX_TESTS=OFF \
	  -DCAUSTIX_BENCHMARKS=ON
	$(ENV) cmake --build $(BENCH)
	$(ENV) $(BENCH)/caustix_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	$(ENV) $(BENCH)/caustix_quadrature_levels
	CAUSTIX_BUILD_DIR=$(BENCH) $(ENV) python3 bench/bench_calls.py
	CAUSTIX_BUILD_DIR=$(BENCH) $(ENV) python3 bench/goals.py $(BENCH)/caustix_bench

demo: build
	$(ENV) python3 examples/light_curve.py
	@echo "Next: 'make fit' fits one event, 'make survey' fits a season of events on Dask."

# One event fitted with the limb-darkened model (and the uniform one).
fit: build
	$(ENV) python3 examples/fit_event.py build/fit_event.png

# A survey of simulated events, one Dask task each (EVENTS, SCHEDULER).
EVENTS ?= 64
survey: build
	$(ENV) python3 examples/survey.py --events $(EVENTS) --output build/survey $(if $(SCHEDULER),--scheduler $(SCHEDULER))

clean:
	rm -rf build
