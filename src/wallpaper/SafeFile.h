#pragma once
// Whole-file reads and crash-safe replacement of files the user sees.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel.h"

// The whole file; EVelantError naming the file and the system's reason (its own text).
std::vector<std::uint8_t> ReadWholeFile(plat::IKernel& kernel, const std::string& path);

// Writes the data to a temporary file beside path, then moves it over path,
// so a full disk or a locked target leaves the previous file as it was and no
// half-written file behind. EVelantError naming the file on failure.
void WriteFileReplacing(plat::IKernel& kernel, const std::string& path,
                        const std::vector<std::uint8_t>& data);

// The temporary name WriteFileReplacing writes first.
std::string TemporaryNameBeside(const std::string& path);
