# The entry points a newcomer needs; everything else is CMake. Each installs
# the Debian packages it needs that are missing (scripts/install-deps.sh).
.PHONY: demo check docs dist fuzz package

# Builds the commands and tours them on examples/ (installs the compiler,
# CMake, Ninja, and libxml2's and OpenSSL's headers).
demo:
	scripts/demo.sh

# Every test, from nothing (installs all the above and below, and the test
# tools: GoogleTest, Google Benchmark, clang, valgrind, QEMU, Wine, lintian).
check:
	scripts/check.sh

# The API reference in build/docs/docs/html (installs Doxygen too).
docs:
	scripts/install-deps.sh --docs
	cmake -S . -B build/docs -G Ninja -DFLATDOM_TESTS=OFF -DFLATDOM_PACKAGING=OFF \
	  -DFLATDOM_DOCS=ON >/dev/null
	cmake --build build/docs --target docs
	@echo "build/docs/docs/html/index.html"

# The source archive of this version, from git, and its SHA-256 (build/dist).
dist:
	scripts/dist.sh

# Each fuzz target for FUZZ_SECONDS (default 300).
fuzz:
	scripts/fuzz.sh $${FUZZ_SECONDS:-300}

# Debian packages and the Windows archives (installs Doxygen, dpkg-dev,
# mingw-w64 and LLVM's tools; builds no tests).
package:
	scripts/package.sh
