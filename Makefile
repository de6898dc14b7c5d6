# Window Veilbox: the developer's commands. Each installs what is missing first (Debian packages).
#   make          build
#   make run      build and start Veilbox.exe under Wine (headless: a private session + screenshot)
#   make test     build and run every test in a private headless Wine session
#   make bench    build and run the benchmark in a private headless Wine session ($(BUILD)/bench/results.md)
#   make screenshots  build and take the README's pictures of every dialog (docs/screenshots/)
#   make clean
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps build run test bench dist screenshots clean
all: build

deps:
	@tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run.sh $(BUILD)

test: build
	tools/wine/session.sh --keeper $(BUILD)/bin/vb_keeper.exe -- tools/run-tests.sh $(BUILD)

bench: build
	tools/wine/session.sh --keeper $(BUILD)/bin/vb_keeper.exe -- \
		tools/bench/run-bench.sh $(BUILD) --profile --out $(BUILD)/bench/results.md

dist: build
	tools/make-dist.sh $(BUILD)

screenshots: build
	tools/screenshots.sh $(BUILD)

clean:
	rm -rf $(BUILD)
