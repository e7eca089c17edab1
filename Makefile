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

.PHONY: all deps build run test package bench fuzz test-asan format lint clean assets

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

# The Debian package, $(BUILD)/vorlith-show_<version>_<arch>.deb, built from debian/ by dpkg-buildpackage in a
# copy of the tree. The test suite is `make test`'s job, so the package build leaves it out unless
# DEB_BUILD_OPTIONS says otherwise (DEB_BUILD_OPTIONS= make package runs it too).
DEB_BUILD_OPTIONS ?= nocheck parallel=$(JOBS)
package: deps
	@DEB_BUILD_OPTIONS="$(DEB_BUILD_OPTIONS)" tools/build-package.sh $(BUILD) \
	  $(if $(filter nocheck,$(DEB_BUILD_OPTIONS)),-Pnocheck)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer. Qt is not instrumented;
# its and fontconfig's leaks at exit are noise, so leak checking is off. Any report ends the test that made
# it. Tests labelled `webengine` start Chromium, which is too slow under the sanitizers for CI, and are left out.
ASAN_BUILD   ?= build-asan
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:abort_on_error=1:allocator_may_return_null=1 \
                 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLITH_SANITIZE=ON $(CMAKE_EXTRA) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) $(XVFB) ctest --output-on-failure --no-tests=error -j 2 -LE webengine

# libFuzzer targets (fuzz/), built with clang, each run for FUZZ_SECONDS. Crashes are kept under
# tests/data/fuzz/<target>/, where test_regressions replays them in every test run.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz: deps
	@tools/install-deps.sh clang libclang-rt-14-dev
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DVORLITH_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	@fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

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

# clang-format's verdict on every tracked source (nothing is changed; `make format` changes them) and
# clang-tidy's allow-listed checks (.clang-tidy) on every target of the build. Either finding fails.
lint: build
	@tools/install-deps.sh clang-format clang-tidy
	@tools/check-style.sh all $(BUILD)

clean:
	rm -rf $(BUILD) build-bench $(ASAN_BUILD) $(FUZZ_BUILD)
