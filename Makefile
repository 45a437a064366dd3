# The quick-start commands:
#   make demo    builds the module (Linux and Windows) and renders the built-in demo chart
#   make check   the inner loop: format check, native build, native tests (a few minutes)
#   make test    what CI runs: checks the format, builds everything and runs every test:
#                native, sanitizers, fuzzing, Windows under wine, the release
#   make goldens rewrites the stored golden outputs and prints what changed (docs/testing.md)
# Both install any missing Debian package first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_CONFIGURE = cmake -S . -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release

.PHONY: deps configure build demo test clean bench bench-build bench-instructions \
        test-native test-asan test-tsan windows test-windows package test-package format-check \
        check goldens

deps:
	./scripts/install-deps.sh

# ---- format ----------------------------------------------------------------------
# format-check: every C++ source file as clang-format (.clang-format) writes it.
FORMAT_FOLDERS = host_sdk ofx_sdk engine host ofx resources simhost simofx pe_reader tools bench fuzz tests
format-check: deps
	find $(FORMAT_FOLDERS) \( -name '*.cpp' -o -name '*.h' \) -print0 | \
	  xargs -0 clang-format --dry-run -Werror

# ---- native build --------------------------------------------------------------
configure: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test-native: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

check: format-check test-native

# goldens: the stored golden outputs (tests/golden/data) rewritten from the
# native module, with what changed printed. Only for output no saved project
# can see: docs/testing.md says when.
goldens: build
	cmake -DDRIVER=$(abspath $(BUILD))/tests/golden/golden_driver \
	  -DMODULE=$(abspath $(BUILD))/host/Trevane_Velmora.so \
	  -DOUTPUT_DIR=$(abspath $(BUILD))/tests/golden/regenerated \
	  -DSTORED_DIR=$(abspath tests/golden/data) -DUPDATE=ON -P tests/golden/goldens.cmake

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
demo: build windows
	$(BUILD)/tools/velmora demo --out out/demo

# ---- Windows module ----------------------------------------------------------------
# windows: Trevane_Velmora.aex, cross-compiled with mingw-w64 into $(BUILD)-windows.
# test-windows: the .aex read by a PE parser and driven under wine (one prefix in
# the tree, one wine server for the run); its report must equal the native
# module's from $(BUILD), byte for byte.
WINDOWS_CONFIGURE = $(CMAKE_CONFIGURE) -B $(BUILD)-windows -DVELMORA_BUILD_TOOLS=OFF \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
  -DVELMORA_NATIVE_BUILD_DIR=$(abspath $(BUILD))

windows: deps
	$(WINDOWS_CONFIGURE)
	cmake --build $(BUILD)-windows -j $(JOBS) --target velmora_module velmora_ofx
	@echo "Windows module: $(abspath $(BUILD)-windows/host/Trevane_Velmora.aex)"
	@echo "Windows bundle: $(abspath $(BUILD)-windows/ofx/Velmora.ofx.bundle)"

test-windows: build windows
	cmake --build $(BUILD)-windows -j $(JOBS)
	cd $(BUILD)-windows && ctest --output-on-failure -j $(JOBS)

# ---- release -----------------------------------------------------------------------
# package: dist/Velmora-<version>-win64-setup.exe (NSIS), dist/Velmora-<version>-win64.zip,
#          dist/Velmora-<version>-linux-x86_64.tar.gz (the Linux OFX bundle) and
#          dist/SHA256SUMS, from the Windows module and both OFX bundles; the version is
#          the module's own.
# test-package: the release under wine, in a prefix of its own: silent install,
#          upgrade, uninstall, the zip's module and the checksums.
WINDOWS_MODULE = $(abspath $(BUILD)-windows/host/Trevane_Velmora.aex)
WINDOWS_OFX_BUNDLE = $(abspath $(BUILD)-windows/ofx/Velmora.ofx.bundle)
LINUX_OFX_BUNDLE = $(abspath $(BUILD)/ofx/Velmora.ofx.bundle)

package: build windows
	cmake -DMODULE=$(WINDOWS_MODULE) -DDIST=$(abspath dist) -DOFX_BUNDLE=$(WINDOWS_OFX_BUNDLE) \
	  -DOFX_LINUX_BUNDLE=$(LINUX_OFX_BUNDLE) -P packaging/package.cmake

test-package: package
	tests/package/package_test.sh dist $(WINDOWS_MODULE) $(BUILD)-package/wineprefix \
	  $(WINDOWS_OFX_BUNDLE)/Contents/Win64/Velmora.ofx $(LINUX_OFX_BUNDLE)/Contents/Linux-x86-64/Velmora.ofx

# ---- benchmarks --------------------------------------------------------------------
# bench: frame throughput of every path beside a plain copy and OpenColorIO
#        (BENCH_ARGS, for example --repetitions 15 --sizes uhd);
# bench-instructions: instructions per pixel under callgrind, deterministic.
BENCH_ARGS ?=

bench-build: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)-bench -DVELMORA_BUILD_BENCH=ON -DVELMORA_BUILD_TESTS=OFF \
	  -DVELMORA_BUILD_TOOLS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS) --target velmora_bench velmora_count_frame

bench: bench-build
	$(BUILD)-bench/bench/velmora_bench $(BENCH_ARGS)

bench-instructions: bench-build
	bench/count_instructions.sh $(BUILD)-bench

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

test: format-check test-native test-asan test-tsan test-fuzz test-windows test-package

clean:
	rm -rf $(BUILD) $(BUILD)-* dist
