// Feeds arbitrary bytes to the command message's decoder and, as text, to the
// command line's parser; whatever either accepts must be a command the checks
// pass and that packs back into the same message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "system/Commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto command = DecodeCommand(kCommandMagic, data, size)) {
        if (!CheckCommand(*command).empty()) std::abort();
        if (EncodeCommand(*command) != std::vector<std::uint8_t>(data, data + size)) std::abort();
    }
    const TCommandLine line = ParseCommandLine(std::string(reinterpret_cast<const char*>(data), size));
    if (line.command && !line.error.empty()) std::abort();
    if (line.command && CheckCommand(*line.command).empty()) {
        const auto bytes = EncodeCommand(*line.command);
        const auto back = DecodeCommand(kCommandMagic, bytes.data(), bytes.size());
        if (!back || *back != *line.command) std::abort();
    }
    return 0;
}
