#include "fuzz/ListParserCheck.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {
// One random change of the kind that breaks parsers: a byte replaced by one of the
// separators and digits the formats are made of, a byte inserted or dropped, a cut, or a
// piece of the listing repeated elsewhere.
void Mutate(std::string& s, std::mt19937& random)
{
    static constexpr char kBytes[] = " /;=:-\r\n\t\0\xff" "0123456789<>dl";
    const auto pick = [&](std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    const char byte = kBytes[pick(sizeof kBytes - 1)];
    switch (pick(5)) {
    case 0: if (!s.empty()) s[pick(s.size())] = byte; break;
    case 1: s.insert(s.begin() + static_cast<std::ptrdiff_t>(pick(s.size() + 1)), byte); break;
    case 2: if (!s.empty()) s.erase(pick(s.size()), 1 + pick(8)); break;
    case 3: s.resize(pick(s.size() + 1)); break;
    default: {
        const std::size_t from = pick(s.size() + 1);
        s.insert(pick(s.size() + 1), s.substr(from, pick(40)));
    }
    }
}
}  // namespace

// The fuzz target's rules over the seed listings and a fixed, bounded set of mutations of
// them, so that every run checks the same inputs.
TEST(ListParserCorpus, NoInputBreaksTheRules)
{
    std::mt19937 random(20240615);
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(VOLRA_LIST_CORPUS)) {
        const std::string seed = ReadFile(file.path());
        ++seeds;
        ASSERT_EQ(CheckListing(seed), "") << file.path();
        for (int round = 0; round < 10000; ++round) {
            std::string input = seed;
            for (int n = 1 + round % 6; n > 0; --n)
                Mutate(input, random);
            ASSERT_EQ(CheckListing(input), "") << file.path() << " round " << round;
        }
    }
    EXPECT_GE(seeds, 3);
}
