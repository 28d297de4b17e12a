#pragma once
// The one exception type for the program's own errors. Its text is what the
// user sees in the error report, so it carries the exact message.
#include <stdexcept>
#include <string>

class EVelantError : public std::runtime_error {
public:
    explicit EVelantError(const std::string& message) : std::runtime_error(message) {}
};
