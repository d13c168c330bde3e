// One realistic job done three ways: load a catalogue, select its items, read
// each one's name (text), count (integer) and price (double), give everything
// back. The checksum shows that all three did the same work.
#ifndef FLATDOM_BENCH_COMPARE_JOB_H
#define FLATDOM_BENCH_COMPARE_JOB_H

#include <string>

struct Checksum {
    long items = 0;
    long textLength = 0;
    long long integers = 0;
    double doubles = 0;
    bool operator==(const Checksum& o) const {
        return items == o.items && textLength == o.textLength && integers == o.integers &&
               doubles == o.doubles;
    }
};

Checksum RunWithFlatdom(const std::string& path);
Checksum RunWithLibxml2(const std::string& path);
Checksum RunWithPugixml(const std::string& path);

#endif
