// What `flatdom count FILE QUERY` does, on pugixml: load the file, count
// what the query selects. With --catalogue, writes the benchmark catalogue of
// ITEMS items to FILE first.
//
//   pugixml_count [--catalogue ITEMS] FILE QUERY
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/catalogue.h"

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--catalogue") == 0) {
        bench::WriteCatalogueOfItems(argv[3], std::strtoul(argv[2], nullptr, 10));
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: pugixml_count [--catalogue ITEMS] FILE QUERY\n");
        return 2;
    }
    pugi::xml_document doc;
    if (!doc.load_file(argv[1])) return 1;
    std::printf("%zu\n", doc.select_nodes(argv[2]).size());
    return 0;
}
