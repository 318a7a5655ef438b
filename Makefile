# Quick start on a fresh Debian 12 machine, as root:
#   make run    listen to the receiver
#   make test   build everything and pass every test (Release, ASan+UBSan, TSan)

.PHONY: run test deps build install asan tsan bench format format-check clean

GENERATOR := -G Ninja

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build

install: build
	cmake --install build

run: build
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
