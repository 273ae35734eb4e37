# vorlip: set-up, build, test and run on Debian 12.
#   make run   - runs the saver (on a machine without a display: renders a headless clip)
#   make test  - builds the normal and the sanitizer build and runs every test in both
#   make scr   - cross-builds the Windows program, build-win/vorlip.scr
#   make install - installs vorlip (cmake --install; PREFIX=/usr/local, DESTDIR honoured)
#   make deb   - builds the Debian package, build/vorlip_VERSION_ARCH.deb
#   make deb-check - lintian, then installs, runs and removes the package (as root or sudo)
#   make preview - records the README's animated preview, docs/preview.gif

DEB_PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                libpng-dev nlohmann-json3-dev libx11-dev libxext-dev libxrandr-dev libxfixes-dev \
                xvfb xdotool x11-apps x11-xserver-utils imagemagick \
                g++-mingw-w64-x86-64 wine wine64 python3 \
                libgif-dev xscreensaver dpkg-dev file lintian
JOBS ?= 2
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build build-asan test run clip bench format clean scr install deb deb-check preview

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

PREFIX ?= /usr/local
install: build
	$(if $(DESTDIR),,$(SUDO)) cmake --install build --prefix $(PREFIX)

# From the normal build: CPack installs it under /usr in a staging tree of its own and strips it.
deb: build
	cd build && cpack -G DEB >/dev/null
	@echo "built" build/vorlip_*.deb

deb-check: deb
	packaging/deb_check.sh $$(ls build/vorlip_*.deb)

# A busy moment of a seeded show over the built-in desktop: frames 1130 to 1430 (6 s), every
# second frame.
preview: build
	./build/tools/vorlip-sim --size 1024x768 --seed 11 --frames 1430 --gif docs/preview.gif --gif-from 1130
	@echo "docs/preview.gif: $$(du -h docs/preview.gif | cut -f1)"

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

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-asan build-win out
