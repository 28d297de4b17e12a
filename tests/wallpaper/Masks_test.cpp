#include "wallpaper/Masks.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"

namespace {

bool M(const char* mask, const char* name) { return TMask(mask).MatchesName(name); }

std::string InvalidMaskMessage(const std::string& mask) {
    try {
        TMask m(mask);
    } catch (const EVelantError& e) {
        return e.what();
    }
    return "(valid)";
}

TEST(Masks, ExtensionMasksMatchWholeNamesInAnyCase) {
    EXPECT_TRUE(M("*.bmp", "A.BMP"));
    EXPECT_TRUE(M("*.bmp", "photo.bmp"));
    EXPECT_TRUE(M("*.BMP", "photo.Bmp"));
    EXPECT_FALSE(M("*.bmp", "photo.bmp.txt"));
    EXPECT_FALSE(M("*.jpg", "photo.jpeg"));
    EXPECT_TRUE(M("*.jpg", ".jpg"));
    EXPECT_FALSE(M("*.jpg", "jpg"));
}

TEST(Masks, QuestionMarkTakesExactlyOneCharacter) {
    EXPECT_TRUE(M("a?c", "abc"));
    EXPECT_TRUE(M("a?c", "A.C"));
    EXPECT_FALSE(M("a?c", "ac"));
    EXPECT_FALSE(M("a?c", "abbc"));
    EXPECT_FALSE(M("?", ""));
}

TEST(Masks, QuestionMarkAfterStarIsDropped) {
    // "*?" compiles to a bare "*", so even the empty name matches.
    EXPECT_TRUE(M("*?", ""));
    EXPECT_TRUE(M("*?", "x"));
    EXPECT_TRUE(M("*?", "anything.jpg"));
    EXPECT_TRUE(M("a*?", "a"));
    EXPECT_TRUE(M("*?b", "b"));
}

TEST(Masks, StarsMatchAnyRunIncludingEmpty) {
    EXPECT_TRUE(M("*", ""));
    EXPECT_TRUE(M("**", "abc"));
    EXPECT_TRUE(M("a*b*c", "abc"));
    EXPECT_TRUE(M("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(M("a*b*c", "aXXbYY"));
    EXPECT_TRUE(M("*ab", "aaab"));
    EXPECT_TRUE(M("*a*b", "xaybzb"));
    EXPECT_FALSE(M("*a*b", "xbya"));
    EXPECT_FALSE(M("", "a"));
    EXPECT_TRUE(M("", ""));
}

TEST(Masks, SetsAndNegatedSets) {
    EXPECT_TRUE(M("[a-c]*", "Beach.jpg"));
    EXPECT_FALSE(M("[!a-c]*", "Beach.jpg"));
    EXPECT_TRUE(M("[!a-c]*", "Dune.jpg"));
    EXPECT_FALSE(M("[a-c]", ""));
    EXPECT_FALSE(M("[!a-c]", ""));
    EXPECT_TRUE(M("*[0-9].bmp", "shot7.BMP"));
    EXPECT_FALSE(M("*[0-9].bmp", "shot.bmp"));
}

TEST(Masks, ReversedRangeAddsOnlyItsStart) {
    EXPECT_TRUE(M("[z-a]", "z"));
    EXPECT_TRUE(M("[z-a]", "Z"));
    EXPECT_FALSE(M("[z-a]", "a"));
    EXPECT_FALSE(M("[z-a]", "m"));
}

TEST(Masks, RangeEndMayBeClosingBracket) {
    // [a-]x] is one set: A to "]" (letters in either case, "[", "\", "]").
    for (const char* name : {"a", "Z", "m", "[", "\\", "]", "x"}) EXPECT_TRUE(M("[a-]x]", name)) << name;
    EXPECT_FALSE(M("[a-]x]", "^"));
    EXPECT_FALSE(M("[a-]x]", "@"));
    EXPECT_FALSE(M("[a-]x]", "ab"));
    EXPECT_FALSE(M("[a-]x]", "x]"));
}

TEST(Masks, RangeStartStaysForALaterDash) {
    EXPECT_TRUE(M("[a-c-e]", "d"));
    EXPECT_FALSE(M("[a-c-e]", "f"));
}

TEST(Masks, BracketsOutsideSetsAndOtherCharactersAreLiterals) {
    EXPECT_TRUE(M("]!-", "]!-"));
    EXPECT_FALSE(M("]!-", "x!-"));
    EXPECT_TRUE(M("caf\xc3\xa9", "CAF\xc3\xa9"));  // only ASCII letters fold
    EXPECT_FALSE(M("\xc3\xa9", "\xc3\x89"));
    EXPECT_TRUE(M("my picture.bmp", "MY PICTURE.BMP"));
}

TEST(Masks, InvalidMasksReportThePosition) {
    EXPECT_EQ(InvalidMaskMessage("[]"), "'[]' is an invalid mask at (2)");
    EXPECT_EQ(InvalidMaskMessage("[a-"), "'[a-' is an invalid mask at (4)");
    EXPECT_EQ(InvalidMaskMessage("[-a]"), "'[-a]' is an invalid mask at (2)");
    EXPECT_EQ(InvalidMaskMessage("*.[bmp"), "'*.[bmp' is an invalid mask at (7)");
    EXPECT_EQ(InvalidMaskMessage("[!]"), "'[!]' is an invalid mask at (3)");
    EXPECT_EQ(InvalidMaskMessage("["), "'[' is an invalid mask at (2)");
}

TEST(Masks, AtMostThirtyStarredSteps) {
    std::string thirty, thirtyOne;
    for (int i = 0; i < 30; ++i) thirty += "*a";
    thirtyOne = thirty + "*a";
    EXPECT_NO_THROW(TMask{thirty});
    EXPECT_EQ(InvalidMaskMessage(thirtyOne), "'" + thirtyOne + "' is an invalid mask at (62)");
    // A trailing "*" is a starred step too: the end of the mask is position length + 1.
    EXPECT_EQ(InvalidMaskMessage(thirty + "*"), "'" + thirty + "*' is an invalid mask at (62)");
    EXPECT_TRUE(TMask(thirty).MatchesName(std::string(30, 'a')));
    EXPECT_FALSE(TMask(thirty).MatchesName(std::string(29, 'a')));
}

TEST(Masks, ManyStarsAgainstALongRun) {
    // A search that retries every "*" would not come back from these.
    std::string mask;
    for (int i = 0; i < 30; ++i) mask += "*a";
    const TMask m(mask + "b");
    const std::string run(10000, 'a');
    EXPECT_FALSE(m.MatchesName(run));
    EXPECT_TRUE(m.MatchesName(run + "b"));
    EXPECT_FALSE(m.MatchesName(std::string(29, 'a') + "b"));
}

// The matcher against a plain recursive glob over every short name from a
// small alphabet: the two must agree wherever they are both defined.
bool ReferenceGlob(const char* m, const char* n) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
    if (*m == 0) return *n == 0;
    if (*m == '*') return ReferenceGlob(m + 1, n) || (*n && ReferenceGlob(m, n + 1));
    if (*n == 0) return false;
    if (*m == '?' || up(*m) == up(*n)) return ReferenceGlob(m + 1, n + 1);
    return false;
}

TEST(Masks, AgreesWithAReferenceGlobOnEveryShortName) {
    const char* masks[] = {"a*b", "*a*", "a?b*", "*ab*ba", "??*", "*b?a*", "ab", "*a*a*b"};
    std::vector<std::string> names{""};
    for (int len = 1; len <= 6; ++len) {
        std::vector<std::string> next;
        for (const auto& n : names)
            if (static_cast<int>(n.size()) == len - 1)
                for (char c : {'a', 'B', 'c'}) next.push_back(n + c);
        names.insert(names.end(), next.begin(), next.end());
    }
    for (const char* mask : masks) {
        const TMask m(mask);
        for (const auto& name : names) {
            // "*?" is special in the mask language, so none of these masks use it.
            EXPECT_EQ(m.MatchesName(name), ReferenceGlob(mask, name.c_str())) << mask << " / " << name;
        }
    }
}

TEST(Masks, OneShotHelperMatchesLikeACompiledMask) {
    EXPECT_TRUE(MatchesMask("Photo.JPG", "*.jpg"));
    EXPECT_THROW(MatchesMask("x", "[]"), EVelantError);
}

}  // namespace
