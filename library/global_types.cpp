#include "global_types.hpp"

namespace global_types {

std::int32_t checked_add(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r)) throw constraint_error("overflow check failed");
    return r;
}

std::int32_t checked_sub(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) throw constraint_error("overflow check failed");
    return r;
}

std::int32_t checked_mul(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) throw constraint_error("overflow check failed");
    return r;
}

}  // namespace global_types
