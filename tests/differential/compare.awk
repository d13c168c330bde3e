# Compares the answers of the differential host on Linux and on Windows, case
# by case, against the table of known differences.
#
#   awk -f compare.awk CASES LINUX_ANSWERS WINDOWS_ANSWERS KNOWN
#
# Prints how many (document, query) pairs were compared and agree, and each
# known difference with its count; every other difference is printed with
# both answers and fails the run, unless gate is 0 (-v gate=0: a report).
{ sub(/\r$/, "") }

# Cases: a "known TAG" line before a doc line covers the document and its
# queries; one before a query covers that query.
FILENAME == ARGV[1] {
  if ($0 ~ /^known /) {
    tag = substr($0, 7)
  } else if ($0 ~ /^(doc |q )/ || $0 == "xpath") {
    if ($0 ~ /^doc /) doctag = tag
    cases++
    query[cases] = $0 ~ /^q /
    known[cases] = tag != "" ? tag : doctag
    tag = ""
  }
  next
}

# Answers: one a case, its first line and the indented lines after it.
FILENAME == ARGV[2] || FILENAME == ARGV[3] {
  side = FILENAME == ARGV[2] ? "linux" : "windows"
  if ($0 ~ /^  / && answers[side]) {
    answer[side, answers[side]] = answer[side, answers[side]] "\n" $0
  } else if ($0 != "") {
    answer[side, ++answers[side]] = $0
  }
  next
}

# The table: "id | reason" lines.
/^[^#].* \| / {
  bar = index($0, " | ")
  id = substr($0, 1, bar - 1)
  reason[id] = substr($0, bar + 3)
  ids[++table] = id
}

END {
  if (answers["linux"] != cases || answers["windows"] != cases) {
    printf "differential: %d cases but %d Linux and %d Windows answers\n", cases,
      answers["linux"], answers["windows"]
    exit 1
  }
  for (i = 1; i <= cases; i++) {
    pairs += query[i]
    if ((answer["linux", i] "") == (answer["windows", i] "")) {
      agree += query[i]
    } else if (known[i] in reason) {
      count[known[i]]++
    } else {
      unlisted++
      printf "difference not listed%s:\n  linux:   %s\n  windows: %s\n",
        known[i] == "" ? "" : " (unknown tag " known[i] ")", answer["linux", i], answer["windows", i]
    }
  }
  printf "differential: %d (document, query) pairs compared, %d agree (%.1f %%)\n", pairs, agree,
    pairs ? 100 * agree / pairs : 0
  for (k = 1; k <= table; k++)
    printf "  %-24s %4d  %s\n", ids[k], count[ids[k]], reason[ids[k]]
  if (unlisted) {
    printf "%d differences not listed\n", unlisted
    if (gate != "0") exit 1
  }
}
