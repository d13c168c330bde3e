// What memory held when it went back: this program's operator new and
// delete are replaced so that a test can ask whether any block freed while
// it watched still held a given text (a secret that should have been
// wiped first).
#ifndef FLATDOM_TESTS_SUPPORT_FREED_BLOCKS_H
#define FLATDOM_TESTS_SUPPORT_FREED_BLOCKS_H

#include <cstddef>
#include <string>

namespace freed_blocks {

// Looks for text in every block freed until Stop; text must outlive it.
void Watch(const std::string& text);
// Stops looking; how many freed blocks held the text.
std::size_t Stop();

}  // namespace freed_blocks

#endif
