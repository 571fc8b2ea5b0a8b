# Front door of the build: `make print` installs what is missing, builds what a
# job needs and prints the test page through the driver into a checked job;
# `make` builds, `make test` installs what is missing, configures, builds and
# runs every test. SANITIZE=1 builds with AddressSanitizer and UBSan in a
# folder of its own.
SANITIZE ?= 0
ifeq ($(SANITIZE),1)
BUILD_DIR ?= build-asan
CMAKE_FLAGS += -DSANITIZE=ON
else
BUILD_DIR ?= build
endif
JOBS ?= $(shell nproc)

# Options of the print host for `make print`'s variants, e.g.
# PRINT_OPTIONS="-s 295=2" (2-up) or "--printer-set 1043=1" (400 dpi output).
PRINT_OPTIONS ?=

# What printing the test page needs.
PRINT_TARGETS = gdihost Pelkran Sumbrel Movrane Velmora Tarquen default_model jobcheck

.PHONY: all deps configure build test print clean

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

print: deps
	$(MAKE) configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PRINT_TARGETS)
	bash scripts/print.sh $(BUILD_DIR) $(PRINT_OPTIONS)

clean:
	rm -rf build build-asan
