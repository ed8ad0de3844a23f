#include "utm-exceptions.hpp"

namespace utm::exceptions {

zone_out_of_range::zone_out_of_range(std::string message) noexcept
    : failure("UTM.EXCEPTIONS.ZONE_OUT_OF_RANGE", std::move(message)) {}

easting_out_of_range::easting_out_of_range(std::string message) noexcept
    : failure("UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE", std::move(message)) {}

northing_out_of_range::northing_out_of_range(std::string message) noexcept
    : failure("UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE", std::move(message)) {}

}  // namespace utm::exceptions
