#pragma once
// A shuffled order of the wallpaper list in which every entry comes once before
// any comes again. What is stored of a round is a record of a few dozen bytes,
// whatever the list's length: the seed its order was drawn from, the entry moved
// to its front, a fingerprint of the list it was drawn for and one of the entry
// drawn last. At the next start the order is drawn again from the seed, so the
// round goes on, as long as the list is still the one it was drawn for.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TShuffleRound {
public:
    // The next entry of the round, after bringing the round in line with list;
    // a new round starts when this one is used up, and never with the entry the
    // last one ended on while the list holds another. Empty for an empty list.
    std::string Draw(const std::vector<std::string>& list, std::uint32_t seed);

    // The round as it is stored (empty before the first draw), and how many of
    // its entries have been drawn.
    std::string Record() const;
    int Next() const { return FNext; }
    // A stored round. Its order is drawn again at the next draw if the list is
    // the one it was drawn for; any other list, or a record that makes no sense,
    // starts a new round there. The entries' text joined by "|", as rounds were
    // once stored, is taken as the round itself, for the rest of this run.
    void Load(const std::string& record, int next);
    // The order of the round (empty while a loaded one waits for its first draw).
    const std::vector<std::string>& Order() const { return FOrder; }

private:
    class TRandom;
    // Entries that left the list leave the round; new ones join its undrawn part
    // at random places, so they come in this round.
    void Follow(const std::vector<std::string>& list, TRandom& random);
    void NewRound(const std::vector<std::string>& list, std::uint32_t seed, std::uint64_t fingerprint);

    std::vector<std::string> FOrder;
    int FNext = 0;
    std::optional<std::uint64_t> FLast;  // the hash of the entry drawn last
    // The order is the list with this fingerprint shuffled from FSeed, then its
    // first entry swapped with entry FSwap; nothing once it has followed a change.
    std::optional<std::uint64_t> FDrawnFor;
    std::uint32_t FSeed = 0;
    std::uint32_t FSwap = 0;
    // The fingerprint of the list whose entries FOrder holds: the same list at
    // the next draw needs no following.
    std::optional<std::uint64_t> FHolds;
    bool FLoaded = false;  // a stored record whose order is drawn at the next draw
};
