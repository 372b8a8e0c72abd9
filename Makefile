# Two ways in: `make run` and `make test`. Each installs what is missing
# (Debian packages), configures, builds, and then runs or tests.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test sanitize bench clean

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

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DAMTONE_BENCH=ON -DAMTONE_TESTS=OFF
	cmake --build $(BUILD)-bench -j$(JOBS)
	./$(BUILD)-bench/bench/amtone_bench

clean:
	rm -rf $(BUILD) $(BUILD)-*
