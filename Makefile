# Marlinth: the two commands of the README and the builds behind them.
#   make run   installs what is missing, builds, generates a demo installation and starts Marlinth
#   make test  installs what is missing, builds all three targets and runs every suite
# Other targets: deps, native, win64, release, dist, bench, fuzz, clean.

BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60

.PHONY: all run test deps native win64 release dist bench fuzz clean

all: native

deps:
	@tools/install-deps

native: deps
	cmake -S . -B $(BUILD)/native -G Ninja -DMARLINTH_SANITIZE=ON
	cmake --build $(BUILD)/native -j $(JOBS)

# The toolchain goes only to a build folder not configured yet (CMake warns when it is given again).
toolchain = $(if $(wildcard $(1)/CMakeCache.txt),,-DCMAKE_TOOLCHAIN_FILE=$(2))

win64: deps
	cmake -S . -B $(BUILD)/win64 -G Ninja $(call toolchain,$(BUILD)/win64,cmake/mingw-w64-x86_64.cmake)
	cmake --build $(BUILD)/win64 -j $(JOBS)

release: deps
	cmake -S . -B $(BUILD)/release -G Ninja $(call toolchain,$(BUILD)/release,cmake/mingw-w64-i686.cmake) \
	      -DCMAKE_BUILD_TYPE=Release -DMARLINTH_RELEASE_EXE=ON
	cmake --build $(BUILD)/release -j $(JOBS)
	tools/check-xp-imports $(BUILD)/release/Marlinth.exe

# The ZIP a sysop downloads: $(BUILD)/dist/Marlinth-VERSION.zip, built from the release exe.
dist: release
	tools/dist/make-dist $(BUILD)

test: deps
	@tools/run-tests $(BUILD)

run: deps
	@tools/run-demo $(BUILD)

bench: deps
	cmake -S . -B $(BUILD)/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMARLINTH_BENCH=ON -DMARLINTH_TESTS=OFF
	cmake --build $(BUILD)/bench -j $(JOBS)

# Every libFuzzer target (clang) for FUZZ_SECONDS each, with its final figures.
fuzz: deps
	FUZZ_JOBS=$(JOBS) tests/fuzz/run $(BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
