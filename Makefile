# Front door of the build: `make` builds, `make test` installs what is missing,
# configures, builds and runs every test. SANITIZE=1 builds with AddressSanitizer
# and UBSan in a folder of its own.
SANITIZE ?= 0
ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-asan
CMAKE_FLAGS += -DSANITIZE=ON
else
BUILD_DIR ?= build
endif
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test clean

all: build

deps:
	bash scripts/deps.sh

configure:
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS); \
	fi

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: deps
	$(MAKE) build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf build build-asan
