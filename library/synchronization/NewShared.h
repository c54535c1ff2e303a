#pragma once

#include <new>
#include <utility>

#include <boost/shared_ptr.hpp>

namespace NLibrary { namespace NSynchronization {

// A new object held by a new shared_ptr, or an empty pointer when either the
// object or the shared count could not be allocated: the shared count's
// failure would otherwise escape as std::bad_alloc.
template <class T, class... Args>
boost::shared_ptr<T> NewShared(Args&&... args) noexcept
{
    try {
        return boost::shared_ptr<T>(new T(std::forward<Args>(args)...));
    } catch (const std::bad_alloc&) {
        return boost::shared_ptr<T>();
    }
}

}}  // namespace NLibrary::NSynchronization
