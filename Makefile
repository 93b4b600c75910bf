# Set-up, build and test entry points; see README.md.
JOBS    ?= $(shell nproc)
BUILD   ?= build
SANBUILD ?= build-sanitize
STAMP   := $(BUILD)/.deps-ok
EXAMPLE ?= examples/fourbar_anmneu.anm

.PHONY: all deps build run test sanitize bench fuzz fuzz-smoke format format-check clean

all: build

deps: $(STAMP)
$(STAMP): scripts/install-deps.sh
	bash scripts/install-deps.sh
	mkdir -p $(BUILD) && touch $@

$(BUILD)/CMakeCache.txt: | $(STAMP)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: $(STAMP) $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	bash scripts/play-example.sh $(BUILD)/src/main/kurvlab $(EXAMPLE)

test: build format-check
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

sanitize: $(STAMP)
	cmake -S . -B $(SANBUILD) -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCH=OFF
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -L 'unit|gui|corpus' --timeout 900

bench: build
	bash scripts/run-benchmarks.sh $(BUILD)

FUZZBUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: $(STAMP)
	CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON -DKV_BENCH=OFF
	cmake --build $(FUZZBUILD) --target fuzz_targets -j $(JOBS)
	bash scripts/run-fuzzers.sh $(FUZZBUILD) $(FUZZ_SECONDS)

# CI's short run: every target for 20 s (12 targets, 4 minutes of fuzzing in all).
fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=20

format:
	git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

format-check: $(STAMP)
	@bad=$$(git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run 2>&1 | grep -o '^[^:]*:' | sort -u); \
	if [ -n "$$bad" ]; then echo "unformatted files (run 'make format'):"; echo "$$bad"; exit 1; fi

clean:
	rm -rf $(BUILD) $(SANBUILD)
