# Front door: `make run` starts the viewer, `make test` runs every test.
BUILD      ?= build
TSAN_BUILD ?= build-tsan
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
PREFIX     ?= /usr/local
# Sanitizer builds: -O1 with line tables only compiles and links much faster than -O2 -g and
# still gives file:line in every report; assertions stay on.
SANITIZER_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
	-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1"

FORMAT_DIRS := app playback library sensors ui platform filters tools tests bench fuzz
FORMAT_FILES = $(shell find $(FORMAT_DIRS) -name node_modules -prune -o \( -name '*.cpp' -o -name '*.h' \) -print 2>/dev/null)

.PHONY: all build configure deps run install package test test-main asan-configure test-asan test-tsan fuzz bench format format-check clean

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

# The suite, then again under AddressSanitizer + UndefinedBehaviorSanitizer, then the threaded
# parts under ThreadSanitizer; each sanitizer in a build folder of its own.
test: test-main test-asan test-tsan

test-main: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Every test program (GoogleTest and Qt Test: non-GUI logic and widgets) under
# AddressSanitizer + UndefinedBehaviorSanitizer. The scripted runs of the executable (journeys,
# install) need the viewer itself and stay in test-main.
asan-configure: deps
	cmake -S . -B $(ASAN_BUILD) -G $(GENERATOR) -DQUORVIL_SANITIZE=address,undefined \
		$(SANITIZER_ARGS) $(CMAKE_ARGS)

test-asan: asan-configure
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target all_tests
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L '^(gtest|qtest)$$'

# The threaded parts under ThreadSanitizer (tests labelled tsan): the sensor loader, the copy
# engine, the recovery's copy ahead and the playback filters, capture, views and blocking calls.
# GLib's slice allocator hands memory between threads unseen by ThreadSanitizer; plain malloc it
# sees.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G $(GENERATOR) -DQUORVIL_SANITIZE=thread $(SANITIZER_ARGS) \
		$(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target tsan_tests
	cd $(TSAN_BUILD) && G_SLICE=always-malloc ctest --output-on-failure -L tsan

# Every fuzz target for FUZZ_SECONDS each (clang, libFuzzer), in a build of its own; the
# corpora grow in $(FUZZ_BUILD)/corpus, crashers land in $(FUZZ_BUILD)/artifacts.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G $(GENERATOR) -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DQUORVIL_FUZZ=ON $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps build
	scripts/run-benchmarks $(BUILD)

format:
	clang-format -i $(FORMAT_FILES)

format-check:
	clang-format --dry-run --Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
