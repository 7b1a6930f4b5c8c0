# The two commands of the README: `make run` and `make test`. Both install what is
# missing (scripts/install-deps.sh), configure, build and go. `make install` installs
# the programs and their data under PREFIX (staged under DESTDIR when given); `make deb`
# builds the Debian package harrowdesk_<version>_amd64.deb in the build folder.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: deps build build-asan run test test-asan install deb clean

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

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
