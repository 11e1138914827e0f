# The two commands a newcomer needs are `make run` and `make test`.
BUILD   ?= build
CHECK   ?= build-check
JOBS    ?= $(shell nproc)
SECONDS ?= 600

# The sanitizer build's tests fail on any report; only system libraries' own
# leaks are suppressed, each with its reason in the file.
# The symbolizer by its full path, the one of the release's own clang: without
# it the sanitizers warn on stderr, which the end-to-end cases rightly count
# as the game's own complaint.
SANITIZER_ENV = ASAN_SYMBOLIZER_PATH=$(shell clang -print-prog-name=llvm-symbolizer) \
                LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: run test fuzz bench demo package screenshot fresh-check build test-build check-build deps test-deps clean

deps:
	@scripts/install-deps run

test-deps:
	@scripts/install-deps test

# The game alone, from the packages that playing needs; a build that `make
# test` configured before keeps its tests.
build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The game with its tests and the benchmark's programs.
define build-with-tests
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVOLA_TESTS=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
endef

test-build: test-deps
	$(build-with-tests)

# The same sources with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and the fuzz targets.
check-build: test-deps
	@CXX=clang++ cmake -S . -B $(CHECK) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVOLA_SANITIZE=ON -DTAVOLA_TESTS=ON >/dev/null
	@cmake --build $(CHECK) -j $(JOBS)

run: build
	@scripts/run-game $(BUILD)

# Both builds' tests run, whichever fails first; then the command fails.
test: test-build check-build
	@status=0; \
	(cd $(BUILD) && ctest --output-on-failure -j $(JOBS)) || status=1; \
	(cd $(CHECK) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)) || status=1; \
	exit $$status

# Each fuzz target for SECONDS seconds (default 600), one after the other.
fuzz: check-build
	@cd $(CHECK) && for target in tests/fuzz/fuzz_*; do \
	  [ -f $$target ] && [ -x $$target ] || continue; \
	  name=$${target#tests/fuzz/fuzz_}; \
	  $(SANITIZER_ENV) $(CURDIR)/tests/fuzz/run-fuzz $$target $(CURDIR)/tests/fuzz/seeds/$$name $(SECONDS) || exit 1; \
	done

# The start against a bare Qt dialog, and the window's timings; QUICK=1 for a
# smoke run. It builds with the tests, and installs what they use.
bench: test-deps
	$(build-with-tests)
	@/usr/bin/python3 bench/run $(BUILD) $(QUICK)

# A scripted game on a private display, one screenshot a step in $(BUILD)/demo/.
demo: build
	@scripts/install-deps demo
	@/usr/bin/python3 -W ignore scripts/demo $(BUILD)

# The README's picture of the game.
screenshot: demo
	@cp $(BUILD)/demo/3-right.png docs/screenshot.png

# The last commit's Debian packages in $(BUILD)/, those of this version alone.
package:
	@scripts/install-deps package
	@scripts/build-package $(BUILD)

# Both commands above on a freshly made Debian 13 and 12, as root and as a user
# with sudo; CI runs it after `make test`.
fresh-check:
	@scripts/fresh-check

# With the record tests' folders, which each build made under /var/tmp.
clean:
	sed -n 's|^TAVOLA_TEST_PLACE:INTERNAL=\(/var/tmp/tavola7-tests\..*\)|\1|p' /dev/null $(wildcard $(BUILD)/CMakeCache.txt $(CHECK)/CMakeCache.txt) | xargs -r rm -rf
	rm -rf $(BUILD) $(CHECK)
