#include "utm-exceptions.hpp"

namespace utm::exceptions {

zone_out_of_range::zone_out_of_range(std::string message) noexcept
    : failure(global_types::failure_kind::zone_out_of_range, std::move(message)) {}

easting_out_of_range::easting_out_of_range(std::string message) noexcept
    : failure(global_types::failure_kind::easting_out_of_range, std::move(message)) {}

northing_out_of_range::northing_out_of_range(std::string message) noexcept
    : failure(global_types::failure_kind::northing_out_of_range, std::move(message)) {}

}  // namespace utm::exceptions
