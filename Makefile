# Two ways in: `make run` and `make test`. Each installs what is missing
# (Debian packages), configures, builds, and then runs or tests.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test bench clean

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

run: build
	./$(BUILD)/amtone

test: build
	cd $(BUILD) && ctest --output-on-failure

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DAMTONE_BENCH=ON -DAMTONE_TESTS=OFF
	cmake --build $(BUILD)-bench -j$(JOBS)
	./$(BUILD)-bench/bench/amtone_bench

clean:
	rm -rf $(BUILD) $(BUILD)-*
