#include "wallpaper/SafeFile.h"

#include <algorithm>

#include "platform/constants.h"
#include "platform/error.h"

bool FileExists(plat::IKernel& kernel, const std::string& path) {
    const auto attrs = kernel.GetFileAttributes(path);
    return attrs != plat::INVALID_FILE_ATTRIBUTES && !(attrs & plat::FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::uint8_t> ReadWholeFile(plat::IKernel& kernel, const std::string& path) {
    std::vector<std::uint8_t> data;
    long rc = kernel.ReadFile(path, data);
    if (rc != plat::ERROR_SUCCESS) throw plat::FileError(kernel, "open file", path, rc);
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
        throw plat::FileError(kernel, "create file", path, rc);
    }
}

TReplacingFile::TReplacingFile(plat::IKernel& kernel, const std::string& path)
    : FKernel(kernel), FPath(path), FTemp(TemporaryNameBeside(path)) {
    FFile =
        kernel.CreateFile(FTemp, plat::GENERIC_WRITE, 0, plat::CREATE_ALWAYS, plat::FILE_ATTRIBUTE_NORMAL);
    if (!FFile) Fail(static_cast<long>(kernel.GetLastError()));
}

TReplacingFile::~TReplacingFile() {
    if (!FDone) Discard();
}

void TReplacingFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (!FKernel.SetFilePointerEx(FFile, static_cast<std::int64_t>(offset), plat::FILE_BEGIN))
        Fail(static_cast<long>(FKernel.GetLastError()));
    while (size > 0) {
        // WriteFile takes a 32-bit count; pieces stay well below it.
        const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1u << 30));
        std::uint32_t written = 0;
        if (!FKernel.WriteFile(FFile, data, piece, written)) Fail(static_cast<long>(FKernel.GetLastError()));
        if (written == 0) Fail(plat::ERROR_WRITE_FAULT);
        data += written;
        size -= written;
    }
}

void TReplacingFile::Commit() {
    // Flushed before the move, so that the name never points at data still on its way to the disk.
    if (!FKernel.FlushFileBuffers(FFile)) Fail(static_cast<long>(FKernel.GetLastError()));
    const plat::Handle file = FFile;
    FFile = 0;
    if (!FKernel.CloseHandle(file)) Fail(static_cast<long>(FKernel.GetLastError()));
    const long rc = FKernel.ReplaceFile(FTemp, FPath);
    if (rc != plat::ERROR_SUCCESS) Fail(rc);
    FDone = true;
}

void TReplacingFile::Fail(long code) {
    // Kept from Discard's calls, which may set the last error themselves.
    const std::string reason = plat::SystemErrorText(FKernel, code);
    Discard();
    throw EVelantError("Cannot create file \"" + FPath + "\". " + reason);
}

void TReplacingFile::Discard() noexcept {
    FDone = true;
    try {
        if (FFile) FKernel.CloseHandle(FFile);
        FFile = 0;
        // A partly written temporary file would only waste the space that was
        // probably the cause of the failure.
        FKernel.DeleteFile(FTemp);
    } catch (...) {
        // Cleaning up must not end the program: the next write truncates the temporary file anyway.
    }
}
