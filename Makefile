# The two commands of the README: `make run` and `make test`. Both install what is
# missing (scripts/install-deps.sh), configure, build and go.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: deps build build-asan run test test-asan clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DHARROWDESK_WERROR=ON > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DHARROWDESK_WERROR=ON -DHARROWDESK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug > /dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	bash scripts/run.sh $(BUILD)

test: build build-asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
