#pragma once
#include <optional>
#include <string_view>

// What the block view fills files by: depth and position among siblings (the usual
// palette), the kind of data (CLensColour's category colours) or the modification time (a
// gradient from newest to oldest). Stored in the preferences as its number.
enum class EColourBy { Depth = 0, Type = 1, Age = 2 };

// A stored number, brought into range: anything else is the usual palette.
EColourBy ColourByOf(int nStored);
// The command line's words: "depth", "type", "age"; nothing for any other.
std::optional<EColourBy> ColourByFromWord(std::string_view word);
