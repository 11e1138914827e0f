# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test build deps clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-game $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
