// The failure kind of the checked elementary functions.
#pragma once

#include "global_types.hpp"

namespace elementary_functions_exceptions {

/// A checked elementary function was called outside its domain. The message names the place
/// of the check ("long_float_math_lib:56", ...).
class argument_error : public global_types::failure {
public:
    explicit argument_error(std::string message) noexcept;
};

}  // namespace elementary_functions_exceptions
