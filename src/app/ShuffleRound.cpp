#include "app/ShuffleRound.h"

#include <algorithm>
#include <map>
#include <random>

namespace {

using Random = std::mt19937;

}  // namespace

std::string TShuffleRound::Draw(const std::vector<std::string>& list, std::uint32_t seed) {
    if (list.empty()) return std::string();
    Random random(seed);
    Follow(list, random);
    if (FNext >= static_cast<int>(FOrder.size())) NewRound(list, random);
    FLast = FOrder[FNext++];
    return FLast;
}

void TShuffleRound::Follow(const std::vector<std::string>& list, Random& random) {
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
    bool added = false;
    for (const std::string& entry : list) {
        int& count = unplaced[entry];
        if (count == 0) continue;
        --count;
        kept.push_back(entry);
        added = true;
    }
    // Newcomers belong to this round: they mix with what it has still to show.
    if (added) std::shuffle(kept.begin() + next, kept.end(), random);
    FOrder = std::move(kept);
    FNext = next;
}

void TShuffleRound::NewRound(const std::vector<std::string>& list, Random& random) {
    FOrder = list;
    std::shuffle(FOrder.begin(), FOrder.end(), random);
    FNext = 0;
    if (FOrder.front() != FLast) return;
    // The picture on the screen would come again at once: another one opens the round.
    std::vector<std::size_t> others;
    for (std::size_t i = 1; i < FOrder.size(); ++i)
        if (FOrder[i] != FLast) others.push_back(i);
    if (others.empty()) return;
    std::uniform_int_distribution<std::size_t> pick(0, others.size() - 1);
    std::swap(FOrder.front(), FOrder[others[pick(random)]]);
}

std::string TShuffleRound::OrderText() const {
    std::string text;
    for (std::size_t i = 0; i < FOrder.size(); ++i) {
        if (i) text += '|';
        text += FOrder[i];
    }
    return text;
}

void TShuffleRound::Load(const std::string& orderText, int next) {
    FOrder.clear();
    if (!orderText.empty()) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = orderText.find('|', start);
            FOrder.push_back(orderText.substr(start, bar == std::string::npos ? bar : bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
    }
    FNext = std::clamp(next, 0, static_cast<int>(FOrder.size()));
    FLast = FNext > 0 ? FOrder[FNext - 1] : std::string();
}
