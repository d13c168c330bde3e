#!/bin/sh
# The released sections of CHANGELOG.md ("## VERSION - YYYY-MM-DD", then
# "- " items) as a Debian changelog, newest first, on standard output. Fails
# unless the newest released section is VERSION, the version being packaged.
# Releases of one day are a minute apart, the oldest at midnight (UTC), since
# each entry must be dated after the one before it.
#   changelog.sh CHANGELOG.md SOURCE_PACKAGE VERSION "MAINTAINER <ADDRESS>"
set -eu
LC_ALL=C awk -v package="$2" -v wanted="$3" -v maintainer="$4" '
  function fail(message) {
    print "CHANGELOG.md: " message > "/dev/stderr"
    failed = 1
    exit 1
  }
  function close_entry() {
    if (version != "") printf "\n -- %s  %s\n", maintainer, stamp
    version = ""
  }
  # The first reading counts the releases of each day.
  FNR == NR { if (/^## [0-9]/) later[$4]++; next }
  /^## / {
    close_entry()
    if ($2 !~ /^[0-9]/) next  # Unreleased
    if (!entries++ && $2 != wanted) fail("the newest release is " $2 ", not " wanted)
    version = $2
    command = "date -u -R -d \"" $4 " 00:00 UTC " --later[$4] " minutes\" 2>/dev/null"
    stamp = ""
    command | getline stamp
    close(command)
    if ($3 != "-" || stamp == "") fail("no date in \"" $0 "\"")
    printf "%s%s (%s) unstable; urgency=medium\n\n", (entries > 1 ? "\n" : ""), package, version
    next
  }
  version != "" && /^- / { print "  * " substr($0, 3); next }
  version != "" && /^  [^ ]/ { print "    " substr($0, 3); next }
  END {
    if (failed) exit 1
    if (!entries) fail("no release of " wanted)
    close_entry()
  }
' "$1" "$1"
