# Quick start:  make demo   (a whole update run on the bundled demo)
#               make test   (installs what is missing, builds, runs every test)
#               make bench  (whole runs against the bare WinINet loop and curl; BENCH_ARGS="--small 2000")
#               make fuzz   (every fuzz target for FUZZ_SECONDS, default 60)
.PHONY: setup build demo test test-quick test-i686 bench fuzz clean

setup:
	scripts/setup.sh

build: setup
	for p in host win32 win64; do cmake --preset $$p >/dev/null && cmake --build --preset $$p || exit 1; done

demo:
	demo/run-demo.sh

test:
	scripts/test.sh

test-quick:
	scripts/test.sh --quick

# The i686 smoke set alone (make test leaves it out where 32-bit programs
# run only through qemu).
test-i686:
	scripts/test.sh --i686

# Every fuzz target for FUZZ_SECONDS (default 60) each; fails on any finding.
fuzz:
	scripts/fuzz.sh

bench:
	scripts/bench.sh $(BENCH_ARGS)

clean:
	rm -rf build
