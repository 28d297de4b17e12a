#include "wallpaper/SafeFile.h"

#include "platform/constants.h"
#include "platform/error.h"

namespace {

// The system's own words for why a file operation failed.
std::string SystemErrorText(plat::IKernel& kernel, long code) {
    std::string text = kernel.FormatMessage(static_cast<std::uint32_t>(code));
    if (text.empty()) text = "System error.  Code: " + std::to_string(code) + ".";
    return text;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(plat::IKernel& kernel, const std::string& path) {
    std::vector<std::uint8_t> data;
    long rc = kernel.ReadFile(path, data);
    if (rc != plat::ERROR_SUCCESS)
        throw EVelantError("Cannot open file \"" + path + "\". " + SystemErrorText(kernel, rc));
    return data;
}

std::string TemporaryNameBeside(const std::string& path) { return path + ".velant-tmp"; }

void WriteFileReplacing(plat::IKernel& kernel, const std::string& path,
                        const std::vector<std::uint8_t>& data) {
    const std::string temp = TemporaryNameBeside(path);
    long rc = kernel.WriteFile(temp, data);
    if (rc == plat::ERROR_SUCCESS) rc = kernel.ReplaceFile(temp, path);
    if (rc != plat::ERROR_SUCCESS) {
        // A partly written temporary file would only waste the space that was
        // probably the cause of the failure.
        kernel.DeleteFile(temp);
        throw EVelantError("Cannot create file \"" + path + "\". " + SystemErrorText(kernel, rc));
    }
}
