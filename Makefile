# Entry points for a fresh machine: every target first installs what is missing.
JOBS ?= $(shell nproc)
CMAKE_GEN = -G Ninja
# Let ccache share results between clones and across precompiled headers.
export CCACHE_BASEDIR = $(CURDIR)
export CCACHE_SLOPPINESS = pch_defines,time_macros,include_file_mtime,include_file_ctime

.PHONY: deps run test tsan bench fuzz clean install-desktop install-files screenshots

deps:
	@scripts/install-deps

run: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DFRELT_TESTS=OFF
	cmake --build build/release -j $(JOBS) --target frelt frelt-thumbnail frelt-kit-demo
	./build/release/frelt

# Installs the program for this user: the binary into ~/.local/bin, the
# helper that draws PDF thumbnails into ~/.local/lib/frelt (the program looks
# in ../lib/frelt from its own folder), the help texts into
# ~/.local/share/frelt/resources (the program looks in its prefix's share
# folder and in the XDG data folders), its desktop entry (file managers
# offer it under Open With) and its icon into ~/.local/share. Never done by
# `make run`, whose program finds the helper beside it and the help texts in
# the source tree. install-files copies what FRELT_BUILD holds without building.
PREFIX_BIN ?= $(HOME)/.local/bin
PREFIX_LIB ?= $(PREFIX_BIN)/../lib/frelt
PREFIX_SHARE ?= $(HOME)/.local/share
FRELT_BUILD ?= build/release
install-desktop: deps
	cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DFRELT_TESTS=OFF
	cmake --build build/release -j $(JOBS) --target frelt frelt-thumbnail
	$(MAKE) --no-print-directory install-files FRELT_BUILD=build/release
	@if command -v update-desktop-database >/dev/null 2>&1; then update-desktop-database $(PREFIX_SHARE)/applications; fi
	@case ":$$PATH:" in *":$(PREFIX_BIN):"*) ;; *) echo "Note: $(PREFIX_BIN) is not on PATH; the desktop entry runs 'frelt' from there.";; esac

install-files:
	install -Dm755 $(FRELT_BUILD)/frelt $(PREFIX_BIN)/frelt
	@if [ -f $(FRELT_BUILD)/frelt-thumbnail ]; then install -Dm755 $(FRELT_BUILD)/frelt-thumbnail $(PREFIX_LIB)/frelt-thumbnail; \
	 else echo "Note: $(FRELT_BUILD) holds no frelt-thumbnail: PDF files get no thumbnails."; fi
	rm -f $(PREFIX_LIB)/frelt-pdf.so
	install -Dm644 -t $(PREFIX_SHARE)/frelt/resources resources/*.md
	install -Dm644 resources/desktop/org.frelt.Frelt.desktop $(PREFIX_SHARE)/applications/org.frelt.Frelt.desktop
	install -Dm644 resources/desktop/org.frelt.Frelt.svg $(PREFIX_SHARE)/icons/hicolor/scalable/apps/org.frelt.Frelt.svg

# Tests build without optimisation and with line tables only: compiling, not
# running, is what takes the time under the sanitizers.
TEST_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1"
TSAN_TARGETS = test_platform_dispatch test_platform_foundation test_platform_appkit test_store test_sources test_exchange

test: deps
	cmake -S . -B build/test $(CMAKE_GEN) $(TEST_FLAGS) -DFRELT_SANITIZE=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE desktop
	# The whole program on a private X server, one test at a time.
	cd build/test && ctest --output-on-failure -L desktop

# The pictures of the main window and its sidebar in docs/screenshots/, taken
# afresh by their desktop tests (which write them into build/test/screenshots/).
screenshots: deps
	cmake -S . -B build/test $(CMAKE_GEN) $(TEST_FLAGS) -DFRELT_SANITIZE=ON
	cmake --build build/test -j $(JOBS) --target frelt frelt_make_configuration frelt_screenshot
	rm -rf build/test/screenshots
	cd build/test && ctest --output-on-failure -R 'desktop_main_window|desktop_sidebar'
	@test -f build/test/screenshots/main-window.png -a -f build/test/screenshots/sidebar.png || { echo "no pictures: the desktop tests were skipped"; exit 1; }
	mkdir -p docs/screenshots
	cp build/test/screenshots/main-window.png build/test/screenshots/main-window-search.png \
	   build/test/screenshots/sidebar.png build/test/screenshots/sidebar-tag-selected.png \
	   build/test/screenshots/sidebar-tag-popup.png docs/screenshots/

tsan: deps
	cmake -S . -B build/tsan $(CMAKE_GEN) $(TEST_FLAGS) -DFRELT_TSAN=ON -DFRELT_PROGRAM=OFF
	cmake --build build/tsan -j $(JOBS) --target $(TSAN_TARGETS)
	cd build/tsan && ctest --output-on-failure -j $(JOBS) -L tsan

bench: deps
	cmake -S . -B build/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DFRELT_TESTS=OFF -DFRELT_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

# The libFuzzer targets, built with clang (the tests replay the same corpora
# with the compiler at hand). Each then runs over its seed corpus once, which
# CI does too, so the targets neither rot nor lose a finding. A longer run of
# one target: build/fuzz/fuzz/fuzz_NAME -max_total_time=60 fuzz/corpus/NAME
fuzz: deps
	CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DFRELT_TESTS=OFF -DFRELT_PROGRAM=OFF -DFRELT_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS) --target fuzz_targets
	@for f in build/fuzz/fuzz/fuzz_*; do n=$${f##*/fuzz_}; echo "== $$n"; \
	  $$f -runs=0 fuzz/corpus/$$n >/dev/null 2>build/fuzz/$$n.log || { cat build/fuzz/$$n.log; exit 1; }; done

clean:
	rm -rf build
