# korvex: `make run` and `make test` on a fresh Debian machine.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
# Most tests wait (on a scripted clock, a child process, an X server), so
# ctest runs more of them at once than there are cores.
TEST_JOBS ?= $(shell echo $$(( $$(nproc) * 2 )))
PACKAGES := build-essential cmake pkg-config libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev \
	libfontconfig-dev fonts-ipafont-gothic fonts-nanum libopenal-dev libsndfile1-dev libasio-dev \
	libimgui-dev libgl-dev libsimpleini-dev libgtest-dev libbenchmark-dev xvfb xauth sox \
	clang libclang-rt-14-dev llvm ccache \
	desktop-file-utils appstream lintian
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test bench clean sanitize-build sanitize fuzz fuzz-coverage \
	install package package-check

all: build

# Installs only the packages that are missing, quietly.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing >/dev/null; \
	fi

# ccache, when the machine has it, makes rebuilds of unchanged files cheap
# (the sloppiness lets it cache files built with a precompiled header).
export CCACHE_SLOPPINESS ?= pch_defines,time_macros,include_file_mtime,include_file_ctime
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/korvex $(ARGS)

test: build
	cd $(BUILD_DIR) && SDL_VIDEODRIVER=dummy ALSOFT_DRIVERS=null ctest --output-on-failure -j $(TEST_JOBS)

bench: build
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@for b in $(BUILD_DIR)/bench_*; do [ -x "$$b" ] && "$$b"; done

# The sanitizer build: clang with AddressSanitizer and UndefinedBehaviorSanitizer
# in its own folder, also holding the fuzz targets. Any report from our code
# fails the run; the leaks of system libraries listed in the suppressions file
# do not.
SAN_DIR ?= build-san
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tools/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

sanitize-build: deps
	@cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DKVX_SANITIZE=ON -DKVX_FUZZ=ON $(LAUNCHER) >/dev/null
	@$(SAN_ENV) cmake --build $(SAN_DIR) -j $(JOBS)

sanitize: sanitize-build
	cd $(SAN_DIR) && $(SAN_ENV) LD_PRELOAD=$(abspath $(SAN_DIR))/libkvx_keep_libraries.so SDL_VIDEODRIVER=dummy ALSOFT_DRIVERS=null ctest --output-on-failure -j $(TEST_JOBS)

# Runs every fuzz target for FUZZ_SECONDS each; a crash, a sanitizer report
# or a failed check stops the run (the input is kept in $(SAN_DIR)/fuzz/).
FUZZ_SECONDS ?= 60
FUZZ_SEED ?=
fuzz: sanitize-build
	@$(SAN_ENV) FUZZ_SEED=$(FUZZ_SEED) fuzz/run.sh $(SAN_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# Line coverage of each reader reached by the corpus its fuzz target built up
# (run make fuzz first): the targets are built again with clang's source-based
# coverage in their own folder (with the sanitizers, whose runtime the
# programs built beside the targets link against) and run once over their corpora.
COV_DIR ?= build-cov
FUZZ_TARGET_NAMES := $(patsubst fuzz/%_fuzz.cpp,fuzz_%,$(wildcard fuzz/*_fuzz.cpp))
fuzz-coverage: deps
	@cmake -S . -B $(COV_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ -DKVX_SANITIZE=ON -DKVX_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
	  -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate $(LAUNCHER) >/dev/null
	@cmake --build $(COV_DIR) -j $(JOBS) --target $(FUZZ_TARGET_NAMES)
	@fuzz/coverage.sh $(COV_DIR) $(SAN_DIR) $(FUZZ_TARGETS)

# Installing and packaging. `make install PREFIX=...` (default /usr/local;
# DESTDIR is honoured) uses sudo only when the target folder is not writable.
# `make package` builds $(BUILD_DIR)/korvex_<version>_amd64.deb; `make
# package-check` looks at it with dpkg-deb, desktop-file-validate,
# appstreamcli and lintian.
PREFIX ?= /usr/local
install: build
	@target="$(DESTDIR)$(PREFIX)"; while [ ! -e "$$target" ]; do target=$$(dirname "$$target"); done; \
	if [ -w "$$target" ]; then sudo=; else sudo="$(SUDO)"; fi; \
	$$sudo env DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

package: build
	@cd $(BUILD_DIR) && cpack -G DEB

package-check: package
	@packaging/check_package.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(SAN_DIR) $(COV_DIR)
