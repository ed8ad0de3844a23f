#include "elementary_functions_exceptions.hpp"

namespace elementary_functions_exceptions {

argument_error::argument_error(std::string message) noexcept
    : failure("ELEMENTARY_FUNCTIONS_EXCEPTIONS.ARGUMENT_ERROR", std::move(message)) {}

}  // namespace elementary_functions_exceptions
