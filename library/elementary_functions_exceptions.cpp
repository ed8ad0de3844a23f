#include "elementary_functions_exceptions.hpp"

namespace elementary_functions_exceptions {

argument_error::argument_error(std::string message) noexcept
    : failure(global_types::failure_kind::argument_error, std::move(message)) {}

}  // namespace elementary_functions_exceptions
