# The two entry points a newcomer needs; everything else is CMake.
.PHONY: check
check:
	scripts/check.sh
