# vorlip: set-up, build, test and run on Debian 12.
#   make run   - runs the saver (on a machine without a display: renders a headless clip)
#   make test  - checks the style and the layers (make lint), builds the normal and the sanitizer
#                build, runs every test in both, then each fuzz target for 20 s (make fuzz-ci)
#   make lint  - clang-format's verdict on every C++ file, and every include pointing down
#   make scr   - cross-builds the Windows program, build-win/vorlip.scr
#   make soak  - long seeded shows: population counters (sanitizer build) and memory (normal)
#   make fuzz  - runs each fuzz target of tests/fuzz for FUZZ_SECONDS (default 300) in a clang
#                build; make fuzz-ci does the same for 20 s each
#   make install - installs vorlip (cmake --install; PREFIX=/usr/local, DESTDIR honoured)
#   make deb   - builds the Debian package, build/vorlip_VERSION_ARCH.deb
#   make deb-check - lintian, then installs, runs and removes the package (as root or sudo)
#   make preview - records the README's animated preview, docs/preview.gif

# What building and running the saver needs: the compiler, CMake, the X11 and Wayland client
# libraries, the PNG library, and for the headless clip that `make run` shows without a display,
# the JSON and GIF libraries of the simulator; sdbus-c++ for the desktops' session-bus services.
RUN_PACKAGES := cmake g++ make pkg-config libpng-dev libx11-dev libxext-dev libxrandr-dev \
                libwayland-dev nlohmann-json3-dev libgif-dev x11-utils \
                libsdbus-c++-dev libsystemd-dev libxss-dev
# What the tests, the benchmarks and the package check need beside it: the test libraries, the
# X servers, window managers, compositors and daemons the end-to-end suites run against, Wine
# for the Windows program, and the packaging tools.
TEST_PACKAGES := libgtest-dev libgmock-dev libbenchmark-dev libxfixes-dev libxtst-dev \
                xvfb xdotool x11-apps x11-xserver-utils imagemagick \
                g++-mingw-w64-x86-64 wine wine64 python3 clang-format \
                xscreensaver dpkg-dev file lintian \
                wayland-protocols librust-wayland-protocols-dev sway grim wtype swayidle foot twm openbox \
                kwin-wayland libkf5service-bin gnome-shell mutter xdg-desktop-portal \
                xdg-desktop-portal-gnome dbus-daemon libglib2.0-bin python3-gi xwayland wayland-utils \
                plasma-wayland-protocols
FUZZ_PACKAGES := clang libclang-rt-14-dev
JOBS ?= 2
FUZZ_SECONDS ?= 300
FUZZ_TARGETS := state_loader world_run bmp_decoder png_reader mode_switch
SOAK_FRAMES ?= 10000000
SOAK_SEEDS ?= 4
SOAK_MEMORY_FRAMES ?= 1000000
SOAK_MEMORY_SIZE ?= 1024x768
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps lint build build-run build-asan build-fuzz test run clip bench bench-cpu bench-start bench-idle format clean scr fuzz fuzz-ci soak \
        install deb deb-check preview

# Installs what is missing of PACKAGES (by default everything the tests need).
PACKAGES ?= $(RUN_PACKAGES) $(TEST_PACKAGES)
deps:
	@missing=$$(for p in $(PACKAGES) $(EXTRA_PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
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

# The sanitizer build at -O1 with line tables only: half the compile time of -O2 -g, the same
# reports with file and line, and the long seeded shows of the tests take no longer.
ASAN_FLAGS := -O1 -g1 -DNDEBUG
build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIP_SANITIZE=ON -DVORLIP_BENCHMARKS=OFF \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$(ASAN_FLAGS)" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$(ASAN_FLAGS)" \
	  $(DEV_FLAGS) >/dev/null
	cmake --build build-asan -j $(JOBS)

# The style is the repository's .clang-format; the layers are those of docs/frame.md.
lint: deps
	git ls-files '*.cpp' '*.hpp' | xargs clang-format --dry-run -Werror
	tools/lint/check_layers.sh

# The suites run side by side: most of their time is spent waiting on the servers they drive,
# so three at once fit two cores.
TEST_JOBS ?= 3
test: lint build build-asan
	ctest --test-dir build --output-on-failure -j $(TEST_JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(TEST_JOBS)
	$(MAKE) --no-print-directory fuzz-ci

# The fuzz programs: clang with libFuzzer and the sanitizers. Each run starts from the committed
# seeds (tests/fuzz/corpus/NAME, only read) and keeps what it finds in build-fuzz/corpus/NAME;
# an input that breaks a target is saved in build-fuzz/crashes/ and stops the run. Copy it into
# tests/fuzz/corpus/NAME and the corpus replay test keeps it as a regression case.
build-fuzz:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(FUZZ_PACKAGES)"
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVORLIP_FUZZ=ON -DVORLIP_TESTS=OFF -DVORLIP_BENCHMARKS=OFF >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))

fuzz: build-fuzz
	tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS) $(JOBS) $(FUZZ_TARGETS)

fuzz-ci:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=20

# Long runs, not part of `make test`: seeded shows on seven screen sizes in the sanitizer build,
# the counters checked against the table after every frame; then one long show in the normal
# build, its peak resident set after the first 1000 frames and at the end.
soak: build build-asan
	./build-asan/tools/vorlip-soak counters --frames $(SOAK_FRAMES) --seeds $(SOAK_SEEDS)
	./build/tools/vorlip-soak memory --frames $(SOAK_MEMORY_FRAMES) --size $(SOAK_MEMORY_SIZE)

scr: deps
	cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build-win --target vorlip_scr -j $(JOBS)
	@echo "built build-win/vorlip.scr"

PREFIX ?= /usr/local
install: build
	$(if $(DESTDIR),,$(SUDO)) cmake --install build --prefix $(PREFIX)

# A build of its own with Debian's hardening (dpkg-buildflags: fortify, stack protector, relro,
# bind-now) and only what the package holds, configured for /usr (the session-bus module goes
# to the multiarch library folder, as Debian puts a package's private modules); CPack installs
# it under /usr in a staging tree of its own, strips it and leaves the package in build/.
DEB_BUILD_MAINT_OPTIONS ?= hardening=+all
export DEB_BUILD_MAINT_OPTIONS
deb: deps
	CPPFLAGS= CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	  cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DVORLIP_TESTS=OFF \
	  -DVORLIP_BENCHMARKS=OFF >/dev/null
	cmake --build build-deb -j $(JOBS)
	mkdir -p build
	cd build-deb && cpack -G DEB -B $(CURDIR)/build >/dev/null
	rm -rf build/_CPack_Packages
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

# The saver alone, in a build of its own without the tests and benchmarks, from only what
# running needs: on a Wayland session or an X display it runs; without either it renders a
# headless clip.
build-run:
	@$(MAKE) --no-print-directory deps PACKAGES="$(RUN_PACKAGES)"
	cmake -S . -B build-run -DCMAKE_BUILD_TYPE=Release -DVORLIP_TESTS=OFF -DVORLIP_BENCHMARKS=OFF >/dev/null
	cmake --build build-run -j $(JOBS) --target vorlip vorlip-sim

run: build-run
	@if [ -n "$$WAYLAND_DISPLAY$$WAYLAND_SOCKET" ] || { [ -n "$$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; }; then \
	  ./build-run/shell/vorlip /s; \
	else \
	  echo "no display here: rendering a headless clip instead"; \
	  rm -rf out/clip; \
	  ./build-run/tools/vorlip-sim --seed 1 --frames 500 --png out/clip --png-every 10; \
	  echo "headless clip written to out/clip/ (frame_000000.png ... frame_000500.png)"; \
	fi

bench: build
	./build/tools/vorlip-bench

# The CPU share of `vorlip /s` and its X server at 1920x1080 and 3840x2160, beside the peer hack
# distort when the xscreensaver-data package is installed; then `vorlip /s` and the compositor on
# a headless sway at the same sizes.
bench-cpu: build
	./build/shell/vorlip-bench-cpu

# From exec to the first frame on the screen (median of 5 starts) and the peak resident set of
# `vorlip /s` at 1920x1080 and 3840x2160, beside the peer hack distort -root.
bench-start: build
	./build/shell/vorlip-bench-start

# What `vorlip --idle` costs while it watches on Xvfb (peak resident set, CPU share and wake-ups
# over 60 s of a move a second), and a show's end to the next show's start with --idle 1.
bench-idle: build
	./build/shell/vorlip-bench-idle

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-run build-asan build-win build-fuzz build-deb out
