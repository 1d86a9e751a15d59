# Front door: `make run` starts the viewer, `make test` runs every test.
BUILD      ?= build
TSAN_BUILD ?= build-tsan
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
PREFIX     ?= /usr/local

FORMAT_DIRS := app playback library sensors ui platform filters tools tests bench
FORMAT_FILES = $(shell find $(FORMAT_DIRS) -name node_modules -prune -o \( -name '*.cpp' -o -name '*.h' \) -print 2>/dev/null)

.PHONY: all build configure deps run install package test test-tsan bench format format-check clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: deps build
	scripts/run-viewer $(BUILD)

# PREFIX=/usr, DESTDIR=/some/root as usual.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package, build/quorvil_<version>_<arch>.deb, with its runtime dependencies.
package: deps build
	cd $(BUILD) && cpack -G DEB

test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The sensor loader's threads under ThreadSanitizer, in a build of its own.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G $(GENERATOR) -DQUORVIL_SANITIZE=thread $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target tsan_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -L tsan

bench: deps build
	scripts/run-benchmarks $(BUILD)

format:
	clang-format -i $(FORMAT_FILES)

format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(TSAN_BUILD)
