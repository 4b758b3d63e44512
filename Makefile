# The two commands of the README. Each first installs what is missing (scripts/setup).
PRESETS := host host-asan host-tsan win32 win64

.PHONY: setup test demo build-host $(addprefix test-,$(PRESETS))

setup:
	@./scripts/setup

test: setup
	@for preset in $(PRESETS); do \
	    cmake --preset $$preset >/dev/null && \
	    cmake --build --preset $$preset && \
	    ctest --preset $$preset || exit 1; \
	done

demo: setup build-host
	./build/host/velm-sim --demo

build-host:
	@cmake --preset host >/dev/null
	@cmake --build --preset host --target velm-sim gen_g15_velm

$(addprefix test-,$(PRESETS)): test-%: setup
	cmake --preset $* >/dev/null
	cmake --build --preset $*
	ctest --preset $*
