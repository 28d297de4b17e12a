// Compiles the input's first line as a mask and matches it against the rest,
// checking the matcher against a plain glob on masks without sets.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"
#include "wallpaper/Masks.h"

namespace {

// A plain glob ('*' any run, '?' any one character, letters folded), matched by
// dynamic programming so that runs of stars stay linear per name character.
bool Reference(const std::string& mask, const std::string& name) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    // row[j]: the mask so far matches the first j characters of the name.
    std::vector<char> row(name.size() + 1, 0), next(name.size() + 1, 0);
    row[0] = 1;
    for (char m : mask) {
        if (m == '*') {
            next[0] = row[0];
            for (std::size_t j = 1; j <= name.size(); ++j) next[j] = row[j] || next[j - 1];
        } else {
            next[0] = 0;
            for (std::size_t j = 1; j <= name.size(); ++j)
                next[j] = row[j - 1] && (m == '?' || up(m) == up(name[j - 1]));
        }
        row.swap(next);
    }
    return row[name.size()] != 0;
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
        if (simple && got != Reference(mask, name)) __builtin_trap();
    } catch (const EVelantError&) {
    }
    return 0;
}
