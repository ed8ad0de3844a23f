#include "global_types.hpp"

#include "elementary_functions_exceptions.hpp"
#include "utm-datum_transformations-ostn15.hpp"
#include "utm-exceptions.hpp"

namespace global_types {

void raise(failure_kind kind, std::string message) {
    switch (kind) {
        case failure_kind::constraint_error:
            throw constraint_error(std::move(message));
        case failure_kind::argument_error:
            throw elementary_functions_exceptions::argument_error(std::move(message));
        case failure_kind::zone_out_of_range:
            throw utm::exceptions::zone_out_of_range(std::move(message));
        case failure_kind::easting_out_of_range:
            throw utm::exceptions::easting_out_of_range(std::move(message));
        case failure_kind::northing_out_of_range:
            throw utm::exceptions::northing_out_of_range(std::move(message));
        case failure_kind::data_unavailable:
            throw utm::datum_transformations::ostn15::data_unavailable(std::move(message));
        case failure_kind::none:
        case failure_kind::unexpected:
            break;
    }
    throw failure(failure_kind::unexpected, std::move(message));
}

std::int32_t checked_add(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r))
        throw constraint_error("overflow check failed");
    return r;
}

std::int32_t checked_sub(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_sub_overflow(a, b, &r))
        throw constraint_error("overflow check failed");
    return r;
}

std::int32_t checked_mul(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r))
        throw constraint_error("overflow check failed");
    return r;
}

}  // namespace global_types
