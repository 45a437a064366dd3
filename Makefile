# The two quick-start commands:
#   make demo   builds the module (Linux and Windows) and renders the built-in demo chart
#   make test   builds everything and runs every test: native, sanitizers, Windows under wine
# Both install any missing Debian package first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_CONFIGURE = cmake -S . -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release

.PHONY: deps configure build demo test clean \
        test-native test-asan test-tsan

deps:
	./scripts/install-deps.sh

# ---- native build --------------------------------------------------------------
configure: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test-native: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# ---- sanitizer builds: the whole suite under address + undefined behaviour, -----
# ---- the threaded tests under the thread sanitizer -------------------------------
test-asan: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)-asan -DVELMORA_SANITIZE=address -DVELMORA_BUILD_TOOLS=OFF
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)-tsan -DVELMORA_SANITIZE=thread -DVELMORA_BUILD_TOOLS=OFF
	cmake --build $(BUILD)-tsan -j $(JOBS)
	cd $(BUILD)-tsan && ctest --output-on-failure -j $(JOBS) -L threaded

# ---- demo --------------------------------------------------------------------------
demo: build
	$(BUILD)/tools/velmora demo --out out/demo

# ---- Windows module ----------------------------------------------------------------

# ---- benchmarks --------------------------------------------------------------------

# ---- fuzzing -----------------------------------------------------------------------
# A clang tree of its own with libFuzzer, AddressSanitizer and UBSan. test-fuzz
# is CI's bounded run; `make fuzz` is the long one (FUZZ_SECONDS per target).
.PHONY: fuzz-build fuzz test-fuzz
FUZZ_CI_SECONDS ?= 60
FUZZ_SECONDS ?= 1800

fuzz-build: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVELMORA_BUILD_FUZZ=ON \
	  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_TOOLS=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target velmora_fuzzers

test-fuzz: fuzz-build
	./fuzz/run_fuzzers.sh $(BUILD)-fuzz $(FUZZ_CI_SECONDS)

fuzz: fuzz-build
	./fuzz/run_fuzzers.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

test: test-native test-asan test-tsan test-fuzz

clean:
	rm -rf $(BUILD) $(BUILD)-*
