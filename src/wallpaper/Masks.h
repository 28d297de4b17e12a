#pragma once
// File-name masks: "*" any run of characters, "?" one character, "[...]" one
// character of a set ("[!...]" not of it, "a-z" ranges), anything else itself;
// ASCII letters match in either case.
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// At most this many steps may follow a "*"; more make the mask invalid.
inline constexpr int kMaxMaskWildcards = 30;

class TMask {
public:
    // Compiles the mask; EVelantError "'<mask>' is an invalid mask at (<position>)"
    // for an empty or unclosed set, a range without a start, or too many "*".
    explicit TMask(const std::string& mask);

    // True when the whole name matches. Time is bounded by the name's length
    // times the number of steps, whatever the mask.
    bool MatchesName(std::string_view name) const;

private:
    enum class TStepKind : std::uint8_t { Literal, AnyChar, CharSet, EndOfName };
    struct MaskState {
        bool SkipTo = false;  // one or more "*" stand before this step
        TStepKind Kind = TStepKind::Literal;
        bool Negate = false;
        std::uint8_t Literal = 0;  // upper-cased
        std::uint16_t SetIndex = 0;
    };

    bool StepMatches(const MaskState& step, std::string_view name, std::size_t pos) const;

    std::vector<MaskState> FSteps;
    std::vector<std::bitset<256>> FSets;  // members upper-cased
};

// Compiles and matches once; for a single test, not for many names.
bool MatchesMask(std::string_view name, const std::string& mask);
