#pragma once
// Whole-file reads and crash-safe replacement of files the user sees.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel.h"

// A file (not a folder) is there at that path.
bool FileExists(plat::IKernel& kernel, const std::string& path);

// The whole file; EVelantError naming the file and the system's reason (its own text).
std::vector<std::uint8_t> ReadWholeFile(plat::IKernel& kernel, const std::string& path);

// Writes the data to a temporary file beside path, then moves it over path,
// so a full disk or a locked target leaves the previous file as it was and no
// half-written file behind. EVelantError naming the file on failure.
void WriteFileReplacing(plat::IKernel& kernel, const std::string& path,
                        const std::vector<std::uint8_t>& data);

// The temporary name WriteFileReplacing writes first.
std::string TemporaryNameBeside(const std::string& path);

// The same replacement for a file written in pieces, each at its own offset, so
// that a large file need never be whole in memory: the constructor creates the
// temporary file, Commit moves it over path. Destroyed without Commit (an error
// on the way) it deletes the temporary file and path stays as it was. Every
// failure raises EVelantError naming path, as WriteFileReplacing does.
class TReplacingFile {
public:
    TReplacingFile(plat::IKernel& kernel, const std::string& path);
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;
    ~TReplacingFile();

    void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    void Commit();

private:
    [[noreturn]] void Fail(long code);
    void Discard() noexcept;

    plat::IKernel& FKernel;
    std::string FPath;
    std::string FTemp;
    plat::Handle FFile = 0;
    bool FDone = false;
};
