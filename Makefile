# Two commands: `make run` (set up, build, run the program in the demo prefix) and `make test`.
BUILD   ?= build
PREFIX  := $(BUILD)/wineprefix
DEMO    := $(BUILD)/demo-prefix
JOBS    ?= 2

.PHONY: all deps build test run bench dist clean

all: build

deps:
	@tools/setup-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	@tools/make-prefix.sh $(PREFIX)
	@tools/run-tests.sh $(BUILD) $(PREFIX)

run: build
	@tools/run-demo.sh $(BUILD) $(DEMO)

bench: build
	@tools/run-bench.sh $(BUILD)

dist: build
	cmake --build $(BUILD) --target dist

clean:
	rm -rf $(BUILD)
