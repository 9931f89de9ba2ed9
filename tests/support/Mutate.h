#pragma once
#include <random>
#include <string>
#include <string_view>

// The input changed at random in nChanges ways that break parsers: a byte replaced by one of
// `bytes` (the separators and digits its format is made of), a byte inserted, a run
// dropped, a cut, or a piece repeated elsewhere. The caller seeds the generator, so that
// every run checks the same inputs and a failure repeats.
inline std::string Mutated(std::string s, int nChanges, std::mt19937& random, std::string_view bytes)
{
    const auto pick = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (; nChanges > 0; --nChanges) {
        const char byte = bytes[pick(bytes.size())];
        switch (pick(5)) {
        case 0:
            if (!s.empty())
                s[pick(s.size())] = byte;
            break;
        case 1:
            s.insert(pick(s.size() + 1), 1, byte);
            break;
        case 2:
            s.erase(pick(s.size() + 1), 1 + pick(40));
            break;
        case 3:
            s.resize(pick(s.size() + 1));
            break;
        default:
            s.insert(pick(s.size() + 1), s.substr(pick(s.size() + 1), pick(60)));
        }
    }
    return s;
}
