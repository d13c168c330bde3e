#include "support/catalogue.h"

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace bench {
namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue>\n";
const char kTail[] = "</catalogue>\n";

std::string Item(std::size_t i) {
    const char* words[] = {"sturdy", "compact", "blue", "quiet", "classic", "spare", "long-life"};
    std::string description;
    for (std::size_t w = 0; w < 3 + i % 5; ++w) {
        if (w) description += ' ';
        description += words[(i + w) % 7];
    }
    char buffer[512];
    std::snprintf(buffer, sizeof buffer,
                  "  <item id=\"i%zu\" code=\"0x%04zX\">\n"
                  "    <name>Item %zu</name>\n"
                  "    <count>%zu</count>\n"
                  "    <price currency=\"EUR\">%zu.%02zu</price>\n"
                  "    <description>%s</description>\n"
                  "  </item>\n",
                  i, i % 0x10000, i, i % 1000, i % 500, i % 100, description.c_str());
    return buffer;
}

// Writes items items unless a file of size bytes is there already.
void Write(const std::string& path, std::size_t items, std::size_t size) {
    std::ifstream existing(path, std::ios::binary | std::ios::ate);
    if (existing && static_cast<std::size_t>(existing.tellg()) == size) return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << kHead;
    for (std::size_t i = 0; i < items; ++i)
        out << Item(i);
    out << kTail;
}

}  // namespace

std::size_t WriteCatalogue(const std::string& path, std::size_t bytes) {
    std::size_t items = 0;
    std::size_t size = sizeof kHead + sizeof kTail - 2;
    while (size < bytes)
        size += Item(items++).size();
    Write(path, items, size);
    return items;
}

std::size_t WriteCatalogueOfItems(const std::string& path, std::size_t items) {
    std::size_t size = sizeof kHead + sizeof kTail - 2;
    for (std::size_t i = 0; i < items; ++i)
        size += Item(i).size();
    Write(path, items, size);
    return size;
}

std::size_t PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

}  // namespace bench
