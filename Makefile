# The two quick-start commands:
#   make demo   builds the module and renders the built-in demo chart
#   make test   builds everything and runs every test
# Both install any missing Debian package first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_CONFIGURE = cmake -S . -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release

.PHONY: deps configure build demo test test-native clean

deps:
	./scripts/install-deps.sh

configure: deps
	$(CMAKE_CONFIGURE) -B $(BUILD)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test-native: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test: test-native

clean:
	rm -rf $(BUILD) build-*
