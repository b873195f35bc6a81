# make test: set up the machine, build both presets, run every test.
# make run:  build the installer and a demo package, and start it.
# make fuzz: fuzz the extraction for FUZZ_SECONDS (`make test` replays the corpus).
# make bench: time extraction against a bare loop and the usual tools; writes
#             bench/results.md and bench/results.png (about fifteen minutes).
JOBS ?= 2
FUZZ_SECONDS ?= 600

.PHONY: test run bootstrap native windows test-native test-windows clean fuzz bench

test: bootstrap test-native test-windows

bootstrap:
	./scripts/bootstrap.sh

native: bootstrap
	cmake --preset native
	cmake --build --preset native -j$(JOBS)

windows: bootstrap
	cmake --preset windows
	cmake --build --preset windows -j$(JOBS)

test-native: native
	ctest --preset native

test-windows: windows
	ctest --preset windows; status=$$?; ./scripts/wine-cleanup.sh; exit $$status

fuzz: bootstrap
	cmake --preset fuzz
	cmake --build --preset fuzz -j$(JOBS)
	./fuzz/run.sh $(FUZZ_SECONDS)

run: native windows
	./scripts/make-demo.sh

clean:
	./scripts/wine-cleanup.sh
	rm -rf build

bench: bootstrap
	./scripts/bootstrap.sh --bench
	cmake -S bench -B build/bench-native -DCMAKE_BUILD_TYPE=Release
	cmake --build build/bench-native -j$(JOBS)
	cmake -S bench -B build/bench-windows -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake
	cmake --build build/bench-windows -j$(JOBS)
	python3 bench/run_bench.py --native-build build/bench-native --windows-build build/bench-windows
