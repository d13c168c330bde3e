// A generated product catalogue, the realistic document the benchmarks load:
// items with an id, a hexadecimal code, a name, a count, a price and a
// description of some length.
#ifndef FLATDOM_BENCH_SUPPORT_CATALOGUE_H
#define FLATDOM_BENCH_SUPPORT_CATALOGUE_H

#include <cstddef>
#include <string>

namespace bench {

// Writes a catalogue of about bytes bytes to path (reused when a file of
// that size made earlier is there) and answers the number of items in it.
std::size_t WriteCatalogue(const std::string& path, std::size_t bytes);
// The same with a given number of items; answers the file's size.
std::size_t WriteCatalogueOfItems(const std::string& path, std::size_t items);

// Peak resident memory of this process so far, in bytes.
std::size_t PeakResidentBytes();

}  // namespace bench

#endif
