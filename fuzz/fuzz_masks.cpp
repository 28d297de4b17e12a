// Compiles the input's first line as a mask and matches it against the rest,
// checking the matcher against a plain recursive glob on masks without sets.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/error.h"
#include "wallpaper/Masks.h"

namespace {

// Exponential in the worst case, so only run on short inputs.
bool Reference(const char* m, const char* me, const char* n, const char* ne) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (m == me) return n == ne;
    if (*m == '*') return Reference(m + 1, me, n, ne) || (n != ne && Reference(m, me, n + 1, ne));
    if (n == ne) return false;
    if (*m == '?' || up(*m) == up(*n)) return Reference(m + 1, me, n + 1, ne);
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string mask = input.substr(0, split);
    const std::string name = split == std::string::npos ? std::string() : input.substr(split + 1);
    try {
        const TMask m(mask);
        const bool got = m.MatchesName(name);
        const bool simple =
            mask.find_first_of("[") == std::string::npos && mask.find("*?") == std::string::npos;
        if (simple && mask.size() <= 12 && name.size() <= 24 &&
            got != Reference(mask.data(), mask.data() + mask.size(), name.data(), name.data() + name.size()))
            __builtin_trap();
    } catch (const EVelantError&) {
    }
    return 0;
}
