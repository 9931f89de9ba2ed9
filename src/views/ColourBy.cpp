#include "ColourBy.h"

EColourBy ColourByOf(int nStored)
{
    switch (nStored) {
    case static_cast<int>(EColourBy::Type):
        return EColourBy::Type;
    case static_cast<int>(EColourBy::Age):
        return EColourBy::Age;
    default:
        return EColourBy::Depth;
    }
}

std::optional<EColourBy> ColourByFromWord(std::string_view word)
{
    if (word == "depth")
        return EColourBy::Depth;
    if (word == "type")
        return EColourBy::Type;
    if (word == "age")
        return EColourBy::Age;
    return std::nullopt;
}
