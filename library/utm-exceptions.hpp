// Failure kinds of the national-grid conversions.
#pragma once

#include "global_types.hpp"

namespace utm::exceptions {

/// A conversion from UTM to a national grid was given a zone that the grid does not accept.
class zone_out_of_range : public global_types::failure {
public:
    explicit zone_out_of_range(std::string message = {}) noexcept;
};

/// A projected national-grid easting fell outside that grid's easting range.
class easting_out_of_range : public global_types::failure {
public:
    explicit easting_out_of_range(std::string message = {}) noexcept;
};

/// A projected national-grid northing fell outside that grid's northing range.
class northing_out_of_range : public global_types::failure {
public:
    explicit northing_out_of_range(std::string message = {}) noexcept;
};

}  // namespace utm::exceptions
