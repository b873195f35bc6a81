# make test: set up the machine, build both presets and the release, run every
#            test: the Windows ones on the 32-bit build and the release itself.
# make run:  build the release and a demo package, and start the installer.
# make dist: the release a publisher ships, in build/dist; with SIGN_CERT and
#            SIGN_KEY (and SIGN_PASS, SIGN_TIMESTAMP_URL) the programs are signed.
# make dist-check: builds the last commit in two fresh clones and compares
#            the files byte for byte (about three minutes on two cores).
# make fuzz: fuzz the extraction for FUZZ_SECONDS (`make test` replays the corpus).
# make bench: time extraction against a bare loop and the usual tools; writes
#             bench/results.md and bench/results.png (about twenty minutes).
# make coverage: which lines of the shipped code the tests run, in both builds;
#             writes build/coverage/ (about ten minutes).
JOBS ?= 2
FUZZ_SECONDS ?= 600

.PHONY: test run bootstrap native windows test-native test-windows clean fuzz bench dist dist-check coverage

# Paths as the caller wrote them, before the scripts change folder.
override SIGN_CERT := $(if $(SIGN_CERT),$(abspath $(SIGN_CERT)))
override SIGN_KEY := $(if $(SIGN_KEY),$(abspath $(SIGN_KEY)))
export SIGN_CERT SIGN_KEY SIGN_PASS SIGN_TIMESTAMP_URL

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

# The release's own bytes are tested too (e2e_dist_*, kwpack_dist_*).
test-windows: windows dist
	./scripts/test-windows.sh

fuzz: bootstrap
	cmake --preset fuzz
	cmake --build --preset fuzz -j$(JOBS)
	./fuzz/run.sh $(FUZZ_SECONDS)

dist: bootstrap
	./scripts/make-dist.sh $(JOBS)

dist-check: bootstrap
	./scripts/check-reproducible.sh $(JOBS)

run: dist windows
	./scripts/make-demo.sh

clean:
	./scripts/wine-cleanup.sh
	rm -rf build

bench: bootstrap
	./scripts/bootstrap.sh --bench
	cmake -S bench -B build/bench-native -DCMAKE_BUILD_TYPE=Release
	cmake --build build/bench-native -j$(JOBS)
	# Timings under emulation say nothing: where the kernel runs no 32-bit
	# code, the Wine half times the 64-bit build.
	arch=$$([ "$$(./scripts/run32/run32 route)" = native ] && echo i686 || echo x86_64); \
	cmake -S bench -B build/bench-windows-$$arch -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-$$arch.cmake && \
	cmake --build build/bench-windows-$$arch -j$(JOBS) && \
	python3 bench/run_bench.py --native-build build/bench-native --windows-build build/bench-windows-$$arch

coverage: bootstrap
	./scripts/bootstrap.sh --coverage
	./scripts/coverage.sh $(JOBS)
