# Two ways in: `make run` and `make test`. Each installs what is missing
# (Debian packages), configures, builds, and then runs or tests.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test sanitize fuzz soak bench clean

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/amtone

test: build
	cd $(BUILD) && ctest --output-on-failure

# The unit and end-to-end tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then with ThreadSanitizer.
SANITIZER_ENV = ASAN_OPTIONS=detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1 \
	TSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/tsan.supp:second_deadlock_stack=1

sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DAMTONE_SANITIZE=address,undefined,float-cast-overflow
	cmake --build $(BUILD)-asan -j$(JOBS)
	cd $(BUILD)-asan && $(SANITIZER_ENV) ctest --output-on-failure
	cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=Debug -DAMTONE_SANITIZE=thread
	cmake --build $(BUILD)-tsan -j$(JOBS)
	cd $(BUILD)-tsan && $(SANITIZER_ENV) ctest --output-on-failure

# The key path under libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer, from the corpus in tests/fuzz/corpus.
FUZZ_SECONDS ?= 600
fuzz: deps
	cmake -S . -B $(BUILD)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DAMTONE_TESTS=OFF -DAMTONE_FUZZ=ON -DAMTONE_SANITIZE=fuzzer-no-link,address,undefined
	cmake --build $(BUILD)-fuzz -j$(JOBS)
	mkdir -p $(BUILD)-fuzz/corpus
	$(BUILD)-fuzz/tests/fuzz/key_path_fuzzer -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		$(BUILD)-fuzz/corpus tests/fuzz/corpus

# The program for a long while with a key every 10 ms; see tests/soak.
SOAK_SECONDS ?= 600
soak: build
	AMTONE_BIN=$(CURDIR)/$(BUILD)/amtone AMTONE_FLIP_PROBE=$(CURDIR)/$(BUILD)/tests/libflip_probe.so \
		/usr/bin/python3 tests/soak/soak.py --seconds $(SOAK_SECONDS)

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DAMTONE_BENCH=ON -DAMTONE_TESTS=OFF
	cmake --build $(BUILD)-bench -j$(JOBS)
	./$(BUILD)-bench/bench/amtone_bench

clean:
	rm -rf $(BUILD) $(BUILD)-*
