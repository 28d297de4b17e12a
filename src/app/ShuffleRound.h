#pragma once
// A shuffled order of the wallpaper list in which every entry comes once before
// any comes again. The round is kept as the entries' text, so that it survives a
// restart and follows the list when entries come and go.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

class TShuffleRound {
public:
    // The next entry of the round, after bringing the round in line with list;
    // a new round starts when this one is used up, and never with the entry the
    // last one ended on while the list holds another. Empty for an empty list.
    std::string Draw(const std::vector<std::string>& list, std::uint32_t seed);

    // The round as it is stored: its entries joined by "|" (no file name holds
    // one), and how many of them have been drawn.
    std::string OrderText() const;
    int Next() const { return FNext; }
    // A stored round; text that makes no sense gives an empty round, which the
    // next draw replaces.
    void Load(const std::string& orderText, int next);
    const std::vector<std::string>& Order() const { return FOrder; }

private:
    // Entries that left the list leave the round; new ones join its undrawn part
    // at random places, so they come in this round.
    void Follow(const std::vector<std::string>& list, std::mt19937& random);
    void NewRound(const std::vector<std::string>& list, std::mt19937& random);

    std::vector<std::string> FOrder;
    int FNext = 0;
    std::string FLast;  // the entry drawn last
};
