#include "wallpaper/Masks.h"

#include <array>

#include "platform/error.h"

namespace {

constexpr std::array<std::uint8_t, 256> MakeUpperTable() {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] =
            static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return table;
}
constexpr std::array<std::uint8_t, 256> kUpper = MakeUpperTable();

std::uint8_t Upper(char c) { return kUpper[static_cast<std::uint8_t>(c)]; }

[[noreturn]] void InvalidMask(const std::string& mask, std::size_t position) {
    throw EVelantError("'" + mask + "' is an invalid mask at (" + std::to_string(position) + ")");
}

}  // namespace

TMask::TMask(const std::string& mask) {
    bool pendingSkip = false;
    int skips = 0;
    std::size_t i = 0;  // index of the character being read
    auto add = [&](MaskState step) {
        step.SkipTo = pendingSkip;
        if (pendingSkip && ++skips > kMaxMaskWildcards) InvalidMask(mask, i + 1);
        pendingSkip = false;
        FSteps.push_back(step);
    };

    for (; i < mask.size(); ++i) {
        const char c = mask[i];
        if (c == '*') {
            pendingSkip = true;
        } else if (c == '?') {
            // Dropped after "*": "*?" means the same as "*" here.
            if (!pendingSkip) add({.Kind = TStepKind::AnyChar});
        } else if (c == '[') {
            MaskState step{.Kind = TStepKind::CharSet};
            std::bitset<256> members;
            ++i;
            if (i < mask.size() && mask[i] == '!') {
                step.Negate = true;
                ++i;
            }
            bool haveStart = false;
            std::uint8_t start = 0;
            for (;; ++i) {
                if (i >= mask.size()) InvalidMask(mask, i + 1);
                const char m = mask[i];
                if (m == ']') break;
                if (m != '-') {
                    start = Upper(m);
                    haveStart = true;
                    members.set(start);
                    continue;
                }
                if (!haveStart) InvalidMask(mask, i + 1);
                ++i;  // the range end, even when it is "]"
                if (i >= mask.size()) InvalidMask(mask, i + 1);
                for (unsigned k = start; k <= Upper(mask[i]); ++k) members.set(k);
            }
            if (members.none()) InvalidMask(mask, i + 1);
            step.SetIndex = static_cast<std::uint16_t>(FSets.size());
            FSets.push_back(members);
            add(step);
        } else {
            add({.Kind = TStepKind::Literal, .Literal = Upper(c)});
        }
    }
    add({.Kind = TStepKind::EndOfName});
}

bool TMask::StepMatches(const MaskState& step, std::string_view name, std::size_t pos) const {
    if (pos >= name.size()) return step.Kind == TStepKind::EndOfName;
    switch (step.Kind) {
        case TStepKind::Literal:
            return Upper(name[pos]) == step.Literal;
        case TStepKind::AnyChar:
            return true;
        case TStepKind::CharSet:
            return FSets[step.SetIndex].test(Upper(name[pos])) != step.Negate;
        case TStepKind::EndOfName:
            return false;
    }
    return false;
}

// Every step takes exactly one character, so on a mismatch only the latest
// "*" needs to try a later start: an earlier one taking more characters could
// only start the rest later still, which the latest one has already covered.
// Each retry moves that start right by one, which bounds the work by
// name length times step count (unlike retrying every "*", which explodes on
// masks such as "*a*a*a...b").
bool TMask::MatchesName(std::string_view name) const {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    const std::size_t n = name.size();
    std::size_t step = 0, pos = 0;
    std::size_t retryStep = kNone, retryPos = 0;
    for (;;) {
        const MaskState& s = FSteps[step];
        if (s.SkipTo) {
            if (s.Kind == TStepKind::EndOfName) return true;  // a trailing "*"
            while (pos < n && !StepMatches(s, name, pos)) ++pos;
            if (pos == n) return false;  // no later start can do better
            retryStep = step;
            retryPos = pos;
        }
        if (StepMatches(s, name, pos)) {
            if (s.Kind == TStepKind::EndOfName) return true;
            ++pos;
            ++step;
            continue;
        }
        if (retryStep == kNone) return false;
        step = retryStep;
        pos = retryPos + 1;
    }
}

bool MatchesMask(std::string_view name, const std::string& mask) { return TMask(mask).MatchesName(name); }
