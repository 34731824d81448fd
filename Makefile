# The two commands of a fresh machine: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap build test demo clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@scripts/run-tests $(BUILD)

demo: build
	@scripts/demo $(BUILD)

clean:
	rm -rf $(BUILD)
