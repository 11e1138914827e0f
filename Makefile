# The two commands a newcomer needs are `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test demo package screenshot build deps clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-game $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# A scripted game on a private display, one screenshot a step in $(BUILD)/demo/.
demo: build
	@/usr/bin/python3 -W ignore scripts/demo $(BUILD)

# The README's picture of the game.
screenshot: demo
	@cp $(BUILD)/demo/3-right.png docs/screenshot.png

# A Debian package in $(BUILD)/.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
