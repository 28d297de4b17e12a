#include "app/ShuffleRound.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>

// The standard library's engines are fixed, but its shuffle and distributions
// are not: the host and Windows builds would draw different orders from one
// seed. This generator (SplitMix64) and the shuffle below give the same order
// from every compiler.
class TShuffleRound::TRandom {
public:
    explicit TRandom(std::uint64_t seed) : FState(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Evenly in [0, bound): the few numbers that would favour the low ones are drawn again.
    std::uint64_t Below(std::uint64_t bound) {
        const std::uint64_t uneven = (0 - bound) % bound;  // 2^64 mod bound
        for (;;)
            if (const std::uint64_t r = Next(); r >= uneven) return r % bound;
    }
    // Fisher and Yates: every order of v[from..] equally likely.
    void Shuffle(std::vector<std::string>& v, std::size_t from) {
        for (std::size_t i = v.size(); i > from + 1; --i) std::swap(v[i - 1], v[from + Below(i - from)]);
    }

private:
    std::uint64_t FState;
};

namespace {

// FNV-1a, 64 bits: a fingerprint, not a protection.
constexpr std::uint64_t kFnvBasis = 0xCBF29CE484222325ull;
std::uint64_t Hash(const std::string& text, std::uint64_t h = kFnvBasis) {
    for (unsigned char c : text) h = (h ^ c) * 0x100000001B3ull;
    return h;
}

std::uint64_t Fingerprint(const std::vector<std::string>& list) {
    std::uint64_t h = kFnvBasis;
    for (const std::string& entry : list) h = Hash(entry, h) * 0x100000001B3ull;  // ends each entry
    return h;
}

// No file name holds it, so no round stored as its entries' text begins with it.
constexpr char kRecordMark = '*';

std::optional<std::uint64_t> ParseHex(const std::string& word) {
    if (word.empty() || word.size() > 16) return std::nullopt;
    char* end = nullptr;
    const std::uint64_t value = std::strtoull(word.c_str(), &end, 16);
    if (*end || word[0] == '-' || word[0] == '+') return std::nullopt;
    return value;
}

std::string HexOrDash(const std::optional<std::uint64_t>& value) {
    if (!value) return "-";
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016" PRIx64, *value);
    return buf;
}

}  // namespace

std::string TShuffleRound::Draw(const std::vector<std::string>& list, std::uint32_t seed) {
    if (list.empty()) return std::string();
    const std::uint64_t fingerprint = Fingerprint(list);
    if (FLoaded) {
        FLoaded = false;
        if (FDrawnFor == fingerprint && FSwap < list.size()) {
            TRandom random(FSeed);
            FOrder = list;
            random.Shuffle(FOrder, 0);
            if (FSwap) std::swap(FOrder.front(), FOrder[FSwap]);
            FHolds = fingerprint;
            FNext = std::min(FNext, static_cast<int>(FOrder.size()));
        } else {
            FOrder.clear();  // another list: a new round, below
        }
    }
    if (!FOrder.empty() && FHolds != fingerprint) {
        TRandom random(seed);
        Follow(list, random);
        FHolds = fingerprint;
    }
    if (FOrder.empty() || FNext >= static_cast<int>(FOrder.size())) NewRound(list, seed, fingerprint);
    const std::string& entry = FOrder[FNext++];
    FLast = Hash(entry);
    return entry;
}

void TShuffleRound::Follow(const std::vector<std::string>& list, TRandom& random) {
    std::map<std::string, int> unplaced;  // entries of the list not yet found in the round
    for (const std::string& entry : list) ++unplaced[entry];
    std::vector<std::string> kept;
    int next = 0;
    for (int i = 0; i < static_cast<int>(FOrder.size()); ++i) {
        auto it = unplaced.find(FOrder[i]);
        if (it == unplaced.end() || it->second == 0) continue;
        --it->second;
        kept.push_back(FOrder[i]);
        if (i < FNext) ++next;
    }
    const bool left = kept.size() < FOrder.size();
    bool added = false;
    for (const std::string& entry : list) {
        int& count = unplaced[entry];
        if (count == 0) continue;
        --count;
        kept.push_back(entry);
        added = true;
    }
    // Newcomers belong to this round: they mix with what it has still to show.
    if (added) random.Shuffle(kept, static_cast<std::size_t>(next));
    // A seed no longer gives this order: after a restart a new round starts.
    if (left || added) FDrawnFor.reset();
    FOrder = std::move(kept);
    FNext = next;
}

void TShuffleRound::NewRound(const std::vector<std::string>& list, std::uint32_t seed,
                             std::uint64_t fingerprint) {
    TRandom random(seed);
    FOrder = list;
    random.Shuffle(FOrder, 0);
    FSeed = seed;
    FSwap = 0;
    FNext = 0;
    FDrawnFor = FHolds = fingerprint;
    if (Hash(FOrder.front()) != FLast) return;
    // The picture on the screen would come again at once: another one opens the round.
    std::vector<std::size_t> others;
    for (std::size_t i = 1; i < FOrder.size(); ++i)
        if (Hash(FOrder[i]) != FLast) others.push_back(i);
    if (others.empty()) return;
    FSwap = static_cast<std::uint32_t>(others[random.Below(others.size())]);
    std::swap(FOrder.front(), FOrder[FSwap]);
}

// "*1 <seed> <swap> <fingerprint> <last>", the numbers in hexadecimal and "-"
// for none: at most 56 bytes.
std::string TShuffleRound::Record() const {
    if (FOrder.empty() && !FLoaded) return std::string();
    char head[32];
    std::snprintf(head, sizeof head, "%c1 %" PRIx32 " %" PRIx32 " ", kRecordMark, FSeed, FSwap);
    return head + HexOrDash(FDrawnFor) + " " + HexOrDash(FLast);
}

void TShuffleRound::Load(const std::string& record, int next) {
    FOrder.clear();
    FNext = std::max(next, 0);
    FLast.reset();
    FDrawnFor.reset();
    FHolds.reset();
    FSeed = FSwap = 0;
    FLoaded = false;
    if (record.empty()) return;
    if (record[0] == kRecordMark) {
        std::vector<std::string> words(1);
        for (char c : record.substr(1))
            if (c == ' ')
                words.emplace_back();
            else
                words.back() += c;
        if (words.size() != 5 || words[0] != "1") return;
        const auto seed = ParseHex(words[1]), swap = ParseHex(words[2]);
        if (!seed || *seed > UINT32_MAX || !swap || *swap > UINT32_MAX) return;
        if (words[3] != "-" && !(FDrawnFor = ParseHex(words[3]))) return;
        if (words[4] != "-" && !(FLast = ParseHex(words[4]))) {
            FDrawnFor.reset();
            return;
        }
        FSeed = static_cast<std::uint32_t>(*seed);
        FSwap = static_cast<std::uint32_t>(*swap);
        FLoaded = true;
        return;
    }
    // A round stored as its entries, joined by "|".
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = record.find('|', start);
        FOrder.push_back(record.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    FNext = std::min(FNext, static_cast<int>(FOrder.size()));
    if (FNext > 0) FLast = Hash(FOrder[FNext - 1]);
}
