# The two commands a person needs: `make run` and `make test`. Both install what
# is missing (scripts/setup.sh) and build first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PG_DIR     ?= $(CURDIR)/$(BUILD)/pgtest
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
CMAKE_ARGS ?= $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all setup build run test test-asan asan bench fuzz format clean

all: build

setup:
	@./scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@./scripts/run-demo.sh $(BUILD)

# Tests run against a throwaway PostgreSQL cluster that lives only for the run.
# Under CI the sanitizer configuration is built and run as well.
test: build
	@./scripts/run-tests.sh $(BUILD) $(PG_DIR)
	@if [ "$${CI:-}" = "true" ]; then $(MAKE) --no-print-directory test-asan; fi

asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DOV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-asan: asan
	@./scripts/run-tests.sh $(ASAN_BUILD) $(CURDIR)/$(ASAN_BUILD)/pgtest

bench: setup
	cmake -S . -B $(BUILD) -G Ninja -DOV_BUILD_BENCH=ON $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	@./scripts/run-bench.sh $(BUILD)

# Each fuzz target for FUZZ_SECONDS (default 60) under the sanitizers, in a
# tree of its own built with clang; never part of `make test`.
FUZZ_SECONDS ?= 60
fuzz:
	@./scripts/setup.sh fuzz
	@./scripts/run-fuzz.sh $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
