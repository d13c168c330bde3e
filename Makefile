# The two entry points a newcomer needs; everything else is CMake.
.PHONY: demo check fuzz

demo:
	scripts/demo.sh

check:
	scripts/check.sh

# Each fuzz target for FUZZ_SECONDS (default 300).
fuzz:
	scripts/fuzz.sh $${FUZZ_SECONDS:-300}
