// A reference to a callable, for callbacks that are called, never kept: no
// allocation, no copy of the callable.
#ifndef FLATDOM_ENGINE_QUERY_FUNCTION_REF_H
#define FLATDOM_ENGINE_QUERY_FUNCTION_REF_H

#include <type_traits>
#include <utility>

namespace engine::query {

template <class Signature>
class FunctionRef;

template <class Result, class... Arguments>
class FunctionRef<Result(Arguments...)> {
  public:
    template <class Callable,
              class = std::enable_if_t<!std::is_same_v<std::decay_t<Callable>, FunctionRef>>>
    FunctionRef(Callable&& callable)  // NOLINT: converts implicitly, as a callback should
        : m_object(const_cast<void*>(static_cast<const void*>(&callable))),
          m_call([](void* object, Arguments... arguments) -> Result {
              return (*static_cast<std::remove_reference_t<Callable>*>(object))(
                  std::forward<Arguments>(arguments)...);
          }) {}

    Result operator()(Arguments... arguments) const {
        return m_call(m_object, std::forward<Arguments>(arguments)...);
    }

  private:
    void* m_object;
    Result (*m_call)(void*, Arguments...);
};

}  // namespace engine::query

#endif
