# Quick start on a fresh Debian 12 machine, as root:
#   make run    listen to the receiver
#   make test   build everything and pass every test (Release, ASan+UBSan, TSan)

.PHONY: run test deps configure build install asan tsan bench format format-check clean

GENERATOR := -G Ninja

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build build

install: build
	cmake --install build

# Builds only the programs it runs and what they load.
run: configure
	cmake --build build --target velorix_run
	@scripts/run.sh

test: deps
	@scripts/test.sh

asan: deps
	@scripts/test.sh asan

tsan: deps
	@scripts/test.sh tsan

bench: build
	@scripts/bench.sh

format:
	@scripts/format.sh

format-check:
	@scripts/format.sh --check

clean:
	rm -rf build build-asan build-tsan build-fuzz
