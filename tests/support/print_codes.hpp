// Shows a code (a kind, footing, facing, behaviour, mode) as the number it stores, in failure
// messages and in the values a failed comparison prints.
#pragma once

#include <ostream>
#include <type_traits>

namespace vorlip {

template <class E>
requires std::is_enum_v<E> std::ostream& operator<<(std::ostream& os, E code) {
    return os << static_cast<long long>(code);
}

}  // namespace vorlip
