# The two commands a newcomer needs: `make run` and `make test`. Everything else is set up by them.
BUILD        ?= build
BUILD_TYPE   ?= RelWithDebInfo
CMAKE_EXTRA  ?=
JOBS         ?= $(shell nproc)

# Qt WebEngine's Chromium refuses to start as root unless its sandbox is off. Only our own runs do this;
# the program itself never switches the sandbox off.
ifeq ($(shell id -u),0)
export QTWEBENGINE_DISABLE_SANDBOX := 1
endif

XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: all deps build run test bench fuzz test-asan format clean assets

all: build

deps:
	@tools/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_EXTRA) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run.sh $(BUILD)/app/vorlith-show

test: build
	cd $(BUILD) && $(XVFB) ctest --output-on-failure --no-tests=error -j 2

bench: deps
	@tools/install-deps.sh imagemagick graphicsmagick
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLITH_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@bench/run.sh build-bench

# Redraws the committed pictures under assets/ with the generator in tools/.
assets: build
	@$(BUILD)/tools/make_assets assets/

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-bench
