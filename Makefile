# The two commands of the README. Each first installs what is missing (scripts/setup).
PRESETS := host host-asan host-tsan win32 win64

.PHONY: help setup setup-no-win32 setup-demo test format demo pictures build-host bench \
	bench-wine fuzz release $(addprefix test-,$(PRESETS))

help:
	@echo "make demo       build the simulator and play its tour (in a terminal: then the keys are yours)"
	@echo "make test       every build and every test, on Linux and under Wine"
	@echo "make test-NAME  one preset's build and tests: $(PRESETS)"
	@echo "make pictures   the README's pictures in docs/, made by the simulator"
	@echo "make bench      the benchmark table and callgrind's count of one display pass"
	@echo "make bench-wine what the plug-in costs a real Win32 process, under the 64-bit Wine"
	@echo "make fuzz       each fuzzer for FUZZ_SECONDS (60 by default)"
	@echo "make release    dist/gen_g15_velm-<version>-setup.exe and -win32.zip for Windows users"
	@echo "make format     every C++ file into the tree's format"
	@echo "make setup      install what the builds need (make demo and make test do it first)"

# Everything, the 32-bit Wine that runs the product included (see scripts/setup).
setup:
	@./scripts/setup

# What needs no 32-bit Wine goes without it, so it works where that cannot be set up.
setup-no-win32:
	@./scripts/setup --no-win32-run

# The demo needs only the host build and what the simulator draws with: no Wine, no cross
# compilers, no test tools.
setup-demo:
	@./scripts/setup --demo

test: setup
	@./scripts/format --check
	@for preset in $(PRESETS); do \
	    cmake --preset $$preset >/dev/null && \
	    cmake --build --preset $$preset && \
	    ctest --preset $$preset || exit 1; \
	done

# In a terminal the tour plays on the desk and then the keys are yours; elsewhere (CI, a pipe)
# the tour runs on the simulated clock and leaves its log and pictures in build/demo/.
demo: setup-demo build-host
	@if [ -t 0 ] && [ -t 1 ]; then \
	    ./build/host/velm-sim --demo; \
	else \
	    rm -rf build/demo && mkdir -p build/demo && \
	    ./build/host/velm-sim --demo --log build/demo/tour.jsonl --png build/demo/frames \
	        --gif build/demo/tour.gif && \
	    echo "demo: build/demo/tour.gif, build/demo/frames/ and the log build/demo/tour.jsonl"; \
	fi

# Every C++ file in the tree's own format (.clang-format); `make test` fails on one that is not.
format: setup-no-win32
	@./scripts/format

# The README's pictures in docs/.
pictures: setup-demo build-host
	./scripts/pictures

build-host:
	@cmake --preset host >/dev/null
	@cmake --build --preset host --target velm-sim gen_g15_velm

$(addprefix test-,$(PRESETS)): test-%: setup
	cmake --preset $* >/dev/null
	cmake --build --preset $*
	ctest --preset $*

# Google Benchmark's table of the display passes and the hook, callgrind's instruction count
# of one pass, then how fast the simulator runs a simulated hour on each screen
# (VELM_BENCH_SIM_MS for a shorter one, see bench/simulated_hour.sh).
bench: setup-no-win32
	@cmake --preset host >/dev/null
	@cmake --build --preset host --target velm_bench velm-sim gen_g15_velm
	./build/host/bench/velm_bench
	./bench/callgrind_pass.sh build/host/bench/velm_bench
	./bench/simulated_hour.sh build/host/velm-sim

# What the plug-in costs a real Win32 process, under the 64-bit Wine at native speed: the
# display thread's CPU share over VELM_CPU_SECONDS (30 by default) and the hook's time per key.
# Wine's output goes to a file, never a pipe (its services would hold the pipe open).
bench-wine: setup
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64 --target wine_cpu_figures velm_qemu_mend
	@cd build/win64 && WINEPREFIX=$(CURDIR)/build/win64/wineprefix WINEDEBUG=-all \
	    WINEDLLOVERRIDES="mscoree,mshtml=" \
	    LD_PRELOAD='$(CURDIR)/build/win64/tools/qemu-mend/$$LIB/libvelm_qemu_mend.so' \
	    /usr/lib/wine/wine64 wine_cpu_figures.exe > cpu-figures.txt 2> cpu-figures.log; \
	    status=$$?; cat cpu-figures.txt; exit $$status

# Each libFuzzer harness for FUZZ_SECONDS (clang build in build/fuzz), its output in
# build/fuzz/<harness>.log, then the cases each ran and how many a second. The rate is over
# the harness's wall time, not FUZZ_SECONDS: libFuzzer first runs the whole corpus, however
# long that takes, and only then looks at the clock. New inputs go to
# build/fuzz/corpus/<harness>; findings to build/fuzz/crash-* and the like.
FUZZ_SECONDS ?= 60
FUZZ_HARNESSES := settings_reader clean_title draw_text plugin_events

fuzz: setup-no-win32
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@for h in $(FUZZ_HARNESSES); do \
	    mkdir -p build/fuzz/corpus/$$h && \
	    echo "fuzz: $$h for $(FUZZ_SECONDS) s, its output in build/fuzz/$$h.log" && \
	    start=$$(date +%s%N) && \
	    if ! LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	        ./build/fuzz/fuzz/fuzz_$$h -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	        -artifact_prefix=build/fuzz/ build/fuzz/corpus/$$h fuzz/corpus/$$h \
	        >build/fuzz/$$h.log 2>&1; then \
	        tail -n 60 build/fuzz/$$h.log; \
	        echo "fuzz: $$h failed; all its output is in build/fuzz/$$h.log"; \
	        exit 1; \
	    fi; \
	    echo "fuzz: wall_ns $$(($$(date +%s%N) - start))" >>build/fuzz/$$h.log; \
	done
	@printf '%-16s %10s %8s %14s\n' harness "cases run" "wall s" "cases a second"
	@for h in $(FUZZ_HARNESSES); do \
	    awk -v h=$$h -f bench/fuzz_summary.awk build/fuzz/$$h.log; \
	done

# The release for Windows users: dist/gen_g15_velm-<version>-setup.exe, the installer, and
# dist/gen_g15_velm-<version>-win32.zip (the stripped 32-bit DLL, README.txt for Windows
# users, LICENSE.txt), each with its SHA-256 beside it.
release: setup-no-win32
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 --target release
