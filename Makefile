# Kelto's entry points. `make run` and `make test` do all set-up on a fresh Debian 12 machine.
JOBS ?= $(shell nproc)
CMAKE_COMMON = -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
RUN_DIR = build/run-output

.PHONY: all deps build run test soak bench bench-view fuzz fuzz-samples fuzz-keep farm-check install clean format

all: build

deps:
	scripts/install-deps

build/release/build.ninja:
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DKELTO_BUILD_TESTS=OFF

build: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)

# The main job: build the demo scene with kelto-cli, ray trace it in Production quality, and
# export its meshes and materials as OBJ for any mesh viewer.
run: build
	@mkdir -p $(RUN_DIR)
	examples/build-demo-scene build/release/cli/kelto-cli $(RUN_DIR)/demo.kel
	build/release/cli/kelto-cli info $(RUN_DIR)/demo.kel | head -1
	build/release/cli/kelto-cli render $(RUN_DIR)/demo.kel $(RUN_DIR)/demo.png \
	  --quality production --progress
	build/release/cli/kelto-cli export $(RUN_DIR)/demo.kel $(RUN_DIR)/demo.obj
	@echo "The demo scene's picture is $(abspath $(RUN_DIR)/demo.png)"

build/test/build.ninja:
	cmake -S . -B build/test $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug \
	  -DKELTO_SANITIZE=ON -DKELTO_WERROR=ON -DCMAKE_CXX_FLAGS="-O1 -g"

test: deps build/test/build.ninja build/tsan/build.ninja
	cmake --build build/tsan -j $(JOBS) --target concurrency_tests
	TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/concurrency_tests \
	  --gtest_filter='RenderJob.*:DraftRender.Same*:ProductionRender.LensSets*:RegionRender.LargePictures*:SoftLightRender.*:RenderRequest.*:RenderNews.*:MaterialPreview.*'
	cmake --build build/test -j $(JOBS)
	cd build/test && xvfb-run -a -s '-screen 0 1280x1024x24' \
	  ctest --output-on-failure -j $(JOBS)

# The soak: a random user of the main window (tests/app/soak_player.h) on the sanitizer build
# for SOAK_MINUTES, from a random run number that it prints; SOAK_SEED=N plays that run again,
# SOAK_STEPS=N stops after N steps.
SOAK_MINUTES ?= 60
soak: deps build/test/build.ninja
	cmake --build build/test -j $(JOBS) --target app_soak
	cd build/test/tests && ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -s '-screen 0 1280x1024x24' \
	  ./app_soak --minutes $(SOAK_MINUTES) --at-least 0 $(if $(SOAK_SEED),--seed $(SOAK_SEED)) \
	  $(if $(SOAK_STEPS),--steps $(SOAK_STEPS))

# The render job's threads, and a document edited while it renders, under ThreadSanitizer.
build/tsan/build.ninja:
	cmake -S . -B build/tsan $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DKELTO_TSAN=ON \
	  -DKELTO_WERROR=ON -DKELTO_BUILD_GUI=OFF -DCMAKE_CXX_FLAGS="-O1 -g"

build/bench/build.ninja:
	cmake -S . -B build/bench $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release \
	  -DKELTO_BUILD_BENCH=ON -DKELTO_BUILD_TESTS=OFF -DKELTO_BUILD_GUI=OFF

bench: deps build/bench/build.ninja
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/*_bench; do $$b || exit 1; done
	$(MAKE) bench-view

# The modelling view's frames per second, its tools' picks and drag steps, the material
# editor's and the Materials panel's opening, the Objects and Properties panels on 10 000
# objects, and a render through the render window against the same render through kelto-cli,
# on a virtual display with Mesa's software OpenGL.
build/bench-view/build.ninja:
	cmake -S . -B build/bench-view $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release \
	  -DKELTO_BUILD_BENCH=ON -DKELTO_BUILD_TESTS=OFF

bench-view: deps build/bench-view/build.ninja
	cmake --build build/bench-view -j $(JOBS) --target view_redraw_bench view_tools_bench \
	  render_window_bench materials_sheet_bench materials_panel_bench panels_bench
	xvfb-run -a -s '-screen 0 1280x1024x24' build/bench-view/bench/view_redraw_bench
	xvfb-run -a -s '-screen 0 1280x1024x24' build/bench-view/bench/view_tools_bench
	xvfb-run -a -s '-screen 0 1280x1024x24' build/bench-view/bench/render_window_bench
	xvfb-run -a -s '-screen 0 1280x1024x24' build/bench-view/bench/materials_sheet_bench
	xvfb-run -a -s '-screen 0 1280x1024x24' build/bench-view/bench/materials_panel_bench
	xvfb-run -a -s '-screen 0 1280x1024x24' build/bench-view/bench/panels_bench

# Bounded libFuzzer runs (clang, AddressSanitizer, UndefinedBehaviorSanitizer) of every fuzz
# target (scripts/fuzz-targets names them; FUZZ_TARGETS="png jpeg" picks some), each for
# FUZZ_SECONDS, from the inputs kept in tests/fuzz/corpus and sample files made with kelto-cli.
# document_ops_fuzz edits every scene the reader accepts and checks that each save opens again;
# render_fuzz ray traces every scene the reader accepts in a tiny picture; scene_export_fuzz
# exports every such scene to glTF and STL in memory; render_part_reader_fuzz reads render part
# files; material_file_fuzz reads files of the user's material library; environment_file_fuzz
# reads environment pictures (Radiance, OpenEXR and the others); model_import_fuzz imports OBJ,
# STL, PLY and glTF bytes through the Open Asset Import Library (binary STL through our own
# reader). `make fuzz-keep` then keeps the smallest cover of what they reached in tests/fuzz/corpus.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
FUZZ_DIR = build/fuzz
build/fuzz/build.ninja:
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="-O1 -g" -DKELTO_FUZZ=ON -DKELTO_BUILD_TESTS=OFF -DKELTO_BUILD_GUI=OFF

fuzz-samples: deps build/fuzz/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	scripts/make-scene-samples $(FUZZ_DIR)/cli/kelto-cli $(FUZZ_DIR)/samples/scene
	@mkdir -p $(FUZZ_DIR)/samples/jpeg $(FUZZ_DIR)/samples/png $(FUZZ_DIR)/samples/tiff \
	  $(FUZZ_DIR)/samples/three_ds $(FUZZ_DIR)/samples/model_import \
	  $(FUZZ_DIR)/samples/render_part $(FUZZ_DIR)/samples/environment
	$(FUZZ_DIR)/tests/fuzz/make_image_samples $(FUZZ_DIR)/samples
	$(FUZZ_DIR)/tests/fuzz/make_3ds_samples $(FUZZ_DIR)/samples/three_ds
	$(FUZZ_DIR)/tests/fuzz/make_model_samples $(FUZZ_DIR)/samples/model_import
	$(FUZZ_DIR)/tests/fuzz/make_environment_samples $(FUZZ_DIR)/samples/environment
	$(FUZZ_DIR)/cli/kelto-cli render $(FUZZ_DIR)/samples/scene/materials.kel \
	  $(FUZZ_DIR)/samples/render_part/band.kpart --size 16x12 --tiles 3 --tile 1
	$(FUZZ_DIR)/cli/kelto-cli render $(FUZZ_DIR)/samples/scene/lights.kel \
	  $(FUZZ_DIR)/samples/render_part/region.kpart --size 16x12 --quality production --seed 7 \
	  --region 3,2,9,11

fuzz: fuzz-samples
	scripts/fuzz-run $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

fuzz-keep: fuzz-samples
	scripts/keep-fuzz-corpus $(FUZZ_DIR) $(FUZZ_TARGETS)

# The Slurm render farm recipe (examples/farm/slurm-render) on a one-node Slurm that
# scripts/farm-check starts from a temporary folder and stops again; installs slurm-wlm, munge
# and parallel first when they are missing. Needs root.
farm-check: deps build/release/build.ninja
	scripts/install-farm-deps
	cmake --build build/release -j $(JOBS) --target kelto-cli
	scripts/farm-check build/release/cli/kelto-cli

PREFIX ?= /usr/local
install: build
	cmake --install build/release --prefix $(PREFIX)

format:
	git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

clean:
	rm -rf build
