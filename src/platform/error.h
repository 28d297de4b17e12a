#pragma once
// The one exception type for the program's own errors, and the one place that
// words the errors of failed system calls. Its text is what the user sees in
// the error report, so it carries the exact message.
#include <stdexcept>
#include <string>

class EVelantError : public std::runtime_error {
public:
    explicit EVelantError(const std::string& message) : std::runtime_error(message) {}
};

namespace plat {

class IKernel;

// The system's own message for an error code, or "System error.  Code: N." when
// it has none.
std::string SystemErrorText(IKernel& kernel, long code);

// The error of the calling thread's last failed system call.
EVelantError LastError(IKernel& kernel);

inline EVelantError CreateKeyError(const std::string& path) {
    return EVelantError("Failed to create key " + path);
}
inline EVelantError OpenKeyError(const std::string& path) {
    return EVelantError("Failed to open key " + path);
}
inline EVelantError SetDataError(const std::string& name) {
    return EVelantError("Failed to set data for '" + name + "'");
}
inline EVelantError DeleteValueError(const std::string& name) {
    return EVelantError("Failed to delete value '" + name + "'");
}
// "Cannot <what> "<path>". <the system's message>", as file and folder errors read.
EVelantError FileError(IKernel& kernel, const std::string& what, const std::string& path, long code);

}  // namespace plat
