# The two entry points a newcomer needs; everything else is CMake.
.PHONY: demo check fuzz

demo:
	scripts/demo.sh

check:
	scripts/check.sh
