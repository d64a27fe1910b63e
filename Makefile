# Kelto's entry points. `make run` and `make test` do all set-up on a fresh Debian 12 machine.
JOBS ?= $(shell nproc)
CMAKE_COMMON = -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
RUN_DIR = build/run-output

.PHONY: all deps build run test bench fuzz install clean format

all: build

deps:
	scripts/install-deps

build/release/build.ninja:
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DKELTO_BUILD_TESTS=OFF

build: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)

# The main job: until scenes can be rendered, build every primitive solid with kelto-cli and
# write its mesh as an OBJ file.
run: build
	@mkdir -p $(RUN_DIR)
	@build/release/cli/kelto-cli --help
	@for t in sphere torus cube cone cylinder paraboloid hyperboloid superquadric; do \
	  build/release/cli/kelto-cli primitive $$t --obj $(RUN_DIR)/$$t.obj || exit 1; \
	done
	@echo "OBJ meshes written to $(RUN_DIR)/"

build/test/build.ninja:
	cmake -S . -B build/test $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug \
	  -DKELTO_SANITIZE=ON -DKELTO_WERROR=ON -DCMAKE_CXX_FLAGS="-O1 -g"

test: deps build/test/build.ninja
	cmake --build build/test -j $(JOBS)
	cd build/test && xvfb-run -a -s '-screen 0 1280x1024x24' \
	  ctest --output-on-failure -j $(JOBS)

build/bench/build.ninja:
	cmake -S . -B build/bench $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release \
	  -DKELTO_BUILD_BENCH=ON -DKELTO_BUILD_TESTS=OFF -DKELTO_BUILD_GUI=OFF

bench: deps build/bench/build.ninja
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/*_bench; do $$b || exit 1; done

# Bounded libFuzzer runs of every fuzz target (none exist yet).
FUZZ_SECONDS ?= 60
build/fuzz/build.ninja:
	CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug \
	  -DKELTO_FUZZ=ON -DKELTO_BUILD_TESTS=OFF -DKELTO_BUILD_GUI=OFF

fuzz: deps build/fuzz/build.ninja
	cmake --build build/fuzz -j $(JOBS)
	@found=0; for f in build/fuzz/tests/fuzz/*_fuzz; do \
	  [ -x "$$f" ] || continue; found=1; \
	  $$f -max_total_time=$(FUZZ_SECONDS) || exit 1; \
	done; [ $$found = 1 ] || echo "no fuzz targets yet"

PREFIX ?= /usr/local
install: build
	cmake --install build/release --prefix $(PREFIX)

format:
	git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

clean:
	rm -rf build
