# The two entry points a newcomer needs; everything else is CMake.
.PHONY: demo check fuzz package

demo:
	scripts/demo.sh

check:
	scripts/check.sh

# Each fuzz target for FUZZ_SECONDS (default 300).
fuzz:
	scripts/fuzz.sh $${FUZZ_SECONDS:-300}

# Debian packages and the Windows archives.
package:
	scripts/package.sh
