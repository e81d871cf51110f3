#pragma once

#include <cstdlib>
#include <memory>

namespace lumenor {

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};

// An xcb reply, which the caller frees with free().
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

}  // namespace lumenor
