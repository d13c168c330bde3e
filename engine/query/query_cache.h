// Compiled queries kept by their text, since hosts run the same query from
// many nodes: the least recently used goes first when the cache is full.
// A query that does not compile is kept too, as such.
#ifndef FLATDOM_ENGINE_QUERY_QUERY_CACHE_H
#define FLATDOM_ENGINE_QUERY_QUERY_CACHE_H

#include <cstddef>
#include <cstring>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "compiled_query.h"

namespace engine::query {

class QueryCache {
  public:
    struct Entry {
        std::wstring text;
        CompiledQuery query;
        bool valid = false;
    };

    explicit QueryCache(std::size_t capacity) : m_capacity(capacity) {}
    QueryCache(const QueryCache&) = delete;
    QueryCache& operator=(const QueryCache&) = delete;

    // The entry for text, now the most recently used; null when there is
    // none.
    Entry* Find(std::wstring_view text);
    // A new entry for text, the most recently used, the oldest dropped if
    // the cache is full; the caller fills it in.
    Entry& Add(std::wstring_view text);

  private:
    // Texts compared by their length and bytes. std::wstring_view's own
    // comparison calls wmemcmp, whose vector forms in glibc read past the
    // text's end (within the page), which a host's memory checker reports as
    // an error in this library.
    struct SameText {
        bool operator()(std::wstring_view a, std::wstring_view b) const {
            return a.size() == b.size() &&
                   std::memcmp(a.data(), b.data(), a.size() * sizeof(wchar_t)) == 0;
        }
    };

    std::size_t m_capacity;
    std::list<Entry> m_recent;  // most recently used first; keys point into it
    std::unordered_map<std::wstring_view, std::list<Entry>::iterator, std::hash<std::wstring_view>,
                       SameText>
        m_byText;
};

}  // namespace engine::query

#endif
