#include "fuzz/ListParserCheck.h"
#include "support/Mutate.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>

// The fuzz target's rules over the seed listings and a fixed, bounded set of mutations of
// them, so that every run checks the same inputs.
TEST(ListParserCorpus, NoInputBreaksTheRules)
{
    std::mt19937 random(20240615);
    constexpr std::string_view kBytes(" /;=:-\r\n\t\0\xff"
                                      "0123456789<>dl",
                                      25);
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(VOLRA_LIST_CORPUS)) {
        const std::string seed = ReadFile(file.path());
        ++seeds;
        ASSERT_EQ(CheckListing(seed), "") << file.path();
        for (int round = 0; round < 10000; ++round)
            ASSERT_EQ(CheckListing(Mutated(seed, 1 + round % 6, random, kBytes)), "") << file.path() << " " << round;
    }
    EXPECT_GE(seeds, 3);
}
