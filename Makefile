# The two commands of the README. Each first installs what is missing (scripts/setup).
PRESETS := host host-asan host-tsan win32 win64

.PHONY: setup test demo pictures build-host $(addprefix test-,$(PRESETS))

setup:
	@./scripts/setup

test: setup
	@for preset in $(PRESETS); do \
	    cmake --preset $$preset >/dev/null && \
	    cmake --build --preset $$preset && \
	    ctest --preset $$preset || exit 1; \
	done

# In a terminal the tour plays on the desk and then the keys are yours; elsewhere (CI, a pipe)
# the tour runs on the simulated clock and leaves its log and pictures in build/demo/.
demo: setup build-host
	@if [ -t 0 ] && [ -t 1 ]; then \
	    ./build/host/velm-sim --demo; \
	else \
	    rm -rf build/demo && mkdir -p build/demo && \
	    ./build/host/velm-sim --demo --log build/demo/tour.jsonl --png build/demo/frames \
	        --gif build/demo/tour.gif && \
	    echo "demo: build/demo/tour.gif, build/demo/frames/ and the log build/demo/tour.jsonl"; \
	fi

# The README's pictures in docs/.
pictures: setup build-host
	./scripts/pictures

build-host:
	@cmake --preset host >/dev/null
	@cmake --build --preset host --target velm-sim gen_g15_velm

$(addprefix test-,$(PRESETS)): test-%: setup
	cmake --preset $* >/dev/null
	cmake --build --preset $*
	ctest --preset $*
