#include "wallpaper/SafeFile.h"

#include "platform/constants.h"
#include "platform/error.h"

std::string SystemErrorText(long code) {
    switch (code) {
    case 2: return "The system cannot find the file specified.";
    case 3: return "The system cannot find the path specified.";
    case 5: return "Access is denied.";
    case 8: return "Not enough memory resources are available to process this command.";
    case 13: return "The data is invalid.";
    case 19: return "The media is write protected.";
    case 21: return "The device is not ready.";
    case 29: return "The system cannot write to the specified device.";
    case 30: return "The system cannot read from the specified device.";
    case 32: return "The process cannot access the file because it is being used by another process.";
    case 33: return "The process cannot access the file because another process has locked a portion of the file.";
    case 112: return "There is not enough space on the disk.";
    case 123: return "The filename, directory name, or volume label syntax is incorrect.";
    case 206: return "The filename or extension is too long.";
    default: return "System error.  Code: " + std::to_string(code) + ".";
    }
}

std::vector<std::uint8_t> ReadWholeFile(plat::IKernel& kernel, const std::string& path) {
    std::vector<std::uint8_t> data;
    long rc = kernel.ReadFile(path, data);
    if (rc != plat::ERROR_SUCCESS)
        throw EVelantError("Cannot open file \"" + path + "\". " + SystemErrorText(rc));
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
        throw EVelantError("Cannot create file \"" + path + "\". " + SystemErrorText(rc));
    }
}
