# vorlip: set-up, build, test and run on Debian 12.
#   make run   - runs the saver (on a machine without a display: renders a headless clip)
#   make test  - builds the normal and the sanitizer build and runs every test in both
#   make scr   - cross-builds the Windows program, build-win/vorlip.scr

DEB_PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                libpng-dev nlohmann-json3-dev libx11-dev libxext-dev libxrandr-dev libxfixes-dev libxtst-dev \
                xvfb xdotool x11-apps x11-xserver-utils imagemagick \
                g++-mingw-w64-x86-64 wine wine64 python3
JOBS ?= 2
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build build-asan test run clip bench bench-cpu format clean scr

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

# The developers' builds: warnings are errors here (never in a user's or packager's build), and
# the normal build is optimised as users get it, so optimiser-only warnings and faults show.
DEV_FLAGS := -DVORLIP_WERROR=ON

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $(DEV_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIP_SANITIZE=ON -DVORLIP_BENCHMARKS=OFF $(DEV_FLAGS) >/dev/null
	cmake --build build-asan -j $(JOBS)

test: build build-asan
	ctest --test-dir build --output-on-failure
	ctest --test-dir build-asan --output-on-failure

scr: deps
	cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build-win --target vorlip_scr -j $(JOBS)
	@echo "built build-win/vorlip.scr"

clip: build
	rm -rf out/clip
	./build/tools/vorlip-sim --seed 1 --frames 500 --png out/clip --png-every 10
	@echo "headless clip written to out/clip/ (frame_000000.png ... frame_000500.png)"

run: build
	@if [ -x build/shell/vorlip ] && [ -n "$$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then \
	  ./build/shell/vorlip /s; \
	else \
	  echo "no X display here: rendering a headless clip instead"; \
	  $(MAKE) --no-print-directory clip; \
	fi

bench: build
	./build/tools/vorlip-bench

# The CPU share of `vorlip /s` and its X server at 1920x1080 and 3840x2160, beside the peer hack
# distort when the xscreensaver-data package is installed.
bench-cpu: build
	./build/shell/vorlip-bench-cpu

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-asan build-win out
