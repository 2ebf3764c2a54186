# korvex: `make run` and `make test` on a fresh Debian machine.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
PACKAGES := build-essential cmake pkg-config libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev \
	libfontconfig-dev fonts-ipafont-gothic fonts-nanum libopenal-dev libsndfile1-dev libasio-dev \
	libimgui-dev libgl-dev libsimpleini-dev libgtest-dev libbenchmark-dev xvfb xauth sox
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test bench clean

all: build

# Installs only the packages that are missing, quietly.
deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages: $$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing >/dev/null; \
	fi

# ccache, when the machine has it, makes rebuilds of unchanged files cheap.
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/korvex $(ARGS)

test: build
	cd $(BUILD_DIR) && SDL_VIDEODRIVER=dummy ALSOFT_DRIVERS=null ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD_DIR)/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD_DIR)
