# Front door. `make test` is what CI runs.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build test tsan bench demo package fuzz clean

all: build

bootstrap:
	@scripts/bootstrap

# Plain optimised build of the programs and components.
build: bootstrap
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build/release -j $(JOBS)

# The main job: generate a demo music folder (once), import and analyse it with the
# command-line program, and show each measured BPM and key beside the true tempo. A second run
# reads the BPMs back from the tags the first run wrote. Beside them, the BPM a DJ's preferred
# range of 70-140 gives: an untouched copy of the folder analysed afresh, without writing tags.
DEMO_DIR ?= build/demo-music
DEMO_RANGE ?= 70-140
demo: build
	@[ -f "$(DEMO_DIR)/truth.tsv" ] && [ -d "$(DEMO_DIR).untouched" ] || \
	    tools/make-demo.sh build/release/bin "$(DEMO_DIR)"
	build/release/bin/tempowright-cli --no-write --no-store --quiet --range $(DEMO_RANGE) --format json \
	    "$(DEMO_DIR).untouched" > "$(DEMO_DIR).range.json" || [ $$? -eq 1 ]
	build/release/bin/tempowright-cli --format json "$(DEMO_DIR)" | \
	    tools/show-demo.py "$(DEMO_DIR)" "$(DEMO_DIR).range.json" $(DEMO_RANGE)

# The Debian package of the optimised build: build/release/tempowright_<version>_<arch>.deb,
# installed with `sudo apt install ./build/release/tempowright_*.deb`.
package: build
	cmake --build build/release --target package

# Builds the programs and starts the desktop program.
.PHONY: gui
gui: build
	build/release/bin/tempowright

# AddressSanitizer + UndefinedBehaviorSanitizer build, every test suite.
test: bootstrap
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_SANITIZE=address $(CMAKE_FLAGS)
	cmake --build build/test -j $(JOBS)
	cd build/test && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer build running the concurrency tests.
tsan: bootstrap
	cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_SANITIZE=thread $(CMAKE_FLAGS)
	cmake --build build/tsan -j $(JOBS)
	cd build/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	    ctest --output-on-failure -L concurrency -j $(JOBS)

# Benchmarks print ratios measured in one run; they never pass or fail. They run on one core
# (BENCH_CPU), as the programs they compare with do.
BENCH_CPU ?= 1
bench:
	@scripts/bootstrap bench
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_TESTS=OFF -DTW_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bin/bench_*; do [ -x "$$b" ] && taskset -c $(BENCH_CPU) "$$b"; done

# Every fuzz target built with clang's libFuzzer (plus ASan and UBSan) and run for FUZZ_SECONDS
# each, one after another (fuzz/run-all). `make test` replays their corpora without clang.
FUZZ_SECONDS ?= 60
fuzz: bootstrap
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	    -DCMAKE_CXX_COMPILER=clang++ -DTW_FUZZ=ON -DTW_TESTS=OFF -DTW_GUI=OFF -DTW_WERROR=OFF $(CMAKE_FLAGS)
	cmake --build build/fuzz -j $(JOBS) --target wave_reader_fuzz id3v2_fuzz id3_save_fuzz file_end_tags_fuzz \
	    track_tags_fuzz profile_picture_fuzz audio_payload_fuzz mp3_decoder_fuzz wma_decoder_fuzz
	fuzz/run-all build/fuzz/bin $(FUZZ_SECONDS)

clean:
	rm -rf build
