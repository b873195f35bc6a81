# make test: set up the machine, build both presets, run every test.
# make run:  build the installer and a demo package, and start it.
JOBS ?= 2

.PHONY: test run bootstrap native windows test-native test-windows clean

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

run: native windows
	./scripts/make-demo.sh

clean:
	./scripts/wine-cleanup.sh
	rm -rf build
