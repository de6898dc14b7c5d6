# Window Veilbox: the developer's commands. Each installs what is missing first (Debian packages).
#   make          build
#   make run      build and start Veilbox.exe under Wine (headless: a private session + screenshot)
#   make test     build and run every test in a private headless Wine session
#   make dist     build the installer, the portable zip and the Scoop and winget manifests (build/dist)
#   make bench    build and run the benchmark in a private headless Wine session ($(BUILD)/bench/results.md)
#   make screenshots  build and take the README's pictures of every dialog (docs/screenshots/)
#   make fuzz     build the native fuzz targets (clang, libFuzzer) and fuzz each FUZZ_SECONDS (60)
#   make lint     build the program with clang for the same target, every warning an error ($(LINT_BUILD))
#   make clean
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
FUZZ_BUILD ?= $(BUILD)/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
LINT_BUILD ?= build-lint
# Where a release's files are published: <RELEASE_URL>/v<version>/<file>. The Scoop and winget
# manifests of `make dist` point there (tools/make-dist.sh reads this line when run by itself).
RELEASE_URL ?= https://github.com/quillfen/window-veilbox/releases/download

.PHONY: all deps build run test bench dist screenshots lint fuzz fuzz-build clean
all: build

deps:
	@tools/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run.sh $(BUILD)

# The fuzz corpora replay first (seconds); a failure there fails the test run too.
test: build fuzz-build
	@rc=0; tools/fuzz/fuzz.sh replay $(FUZZ_BUILD) || rc=1; \
	tools/wine/session.sh --keeper $(BUILD)/bin/vb_keeper.exe -- tools/run-tests.sh $(BUILD) || rc=1; \
	exit $$rc

fuzz-build: deps
	JOBS=$(JOBS) tools/fuzz/fuzz.sh build $(FUZZ_BUILD)

fuzz: fuzz-build
	tools/fuzz/fuzz.sh run $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: build
	tools/wine/session.sh --keeper $(BUILD)/bin/vb_keeper.exe -- \
		tools/bench/run-bench.sh $(BUILD) --profile --out $(BUILD)/bench/results.md

dist: build
	RELEASE_URL='$(RELEASE_URL)' tools/make-dist.sh $(BUILD)

screenshots: build
	tools/screenshots.sh $(BUILD)

lint: deps
	cmake -S . -B $(LINT_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/clang-mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release -DVB_BUILD_TESTS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
	cmake --build $(LINT_BUILD) -j $(JOBS) --target Veilbox

clean:
	rm -rf $(BUILD) $(LINT_BUILD)
