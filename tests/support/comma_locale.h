// A locale whose decimal separator is a comma, for tests of text that must
// read and print the same whatever the host's locale. ctest makes it (the
// comma_locale fixture) in the folder LOCPATH names; a test program run by
// hand, without LOCPATH, may have none: the test is skipped, saying so.
#ifndef FLATDOM_TESTS_SUPPORT_COMMA_LOCALE_H
#define FLATDOM_TESTS_SUPPORT_COMMA_LOCALE_H

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#define FLATDOM_USE_COMMA_LOCALE(category)                                                  \
    do {                                                                                    \
        if (std::setlocale(category, "de_DE.UTF-8")) break;                                 \
        if (!std::getenv("LOCPATH")) {                                                      \
            GTEST_SKIP() << "no de_DE.UTF-8 locale: ctest makes one and names its folder "  \
                            "in LOCPATH (or install it with locale-gen)";                   \
        }                                                                                   \
        FAIL() << "no de_DE.UTF-8 locale under LOCPATH (" << std::getenv("LOCPATH") << ")"; \
    } while (false)

#endif
