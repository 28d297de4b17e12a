#include "platform/error.h"

#include "platform/kernel.h"

namespace plat {

std::string SystemErrorText(IKernel& kernel, long code) {
    std::string text = kernel.FormatMessage(static_cast<std::uint32_t>(code));
    if (text.empty()) text = "System error.  Code: " + std::to_string(code) + ".";
    return text;
}

EVelantError LastError(IKernel& kernel) {
    return EVelantError(SystemErrorText(kernel, static_cast<long>(kernel.GetLastError())));
}

EVelantError FileError(IKernel& kernel, const std::string& what, const std::string& path, long code) {
    return EVelantError("Cannot " + what + " \"" + path + "\". " + SystemErrorText(kernel, code));
}

}  // namespace plat
