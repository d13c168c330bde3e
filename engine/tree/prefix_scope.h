// The namespace prefixes in scope at the element being read, for the
// attribute defaults whose names have one: each prefix finds its binding at
// once, however many are in scope.
#ifndef FLATDOM_ENGINE_TREE_PREFIX_SCOPE_H
#define FLATDOM_ENGINE_TREE_PREFIX_SCOPE_H

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace engine::tree {

class PrefixScope {
  public:
    // An element starts, declaring count prefixes: pairs of prefix and URI,
    // libxml2's dictionary strings (a null prefix: the default namespace).
    // Throws std::bad_alloc when memory runs out.
    void Start(const void* const* declarations, std::size_t count);
    // One more declaration of the innermost open element.
    void Declare(const void* prefix, const void* uri);
    // The innermost open element ends.
    void End();
    // The URI the prefix is bound to; null when it is bound to none.
    const void* Find(const void* prefix) const;

  private:
    std::unordered_map<const void*, std::vector<const void*>> m_bindings;  // innermost last
    std::vector<const void*> m_declared;  // the prefixes each open element declared
    std::vector<std::size_t> m_starts;    // where each open element's are in m_declared
};

}  // namespace engine::tree

#endif
