#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

// Sorts items by a 64-bit unsigned key, stably (equal keys keep their order): a
// least-significant-digit radix sort, 11 bits a pass, skipping the passes whose digit is the
// same in every key (sizes below 2^44 need four, times three). A million rows take a few
// milliseconds where a comparison sort takes about a hundred, most of them missing the
// cache. keyOf(item) must be cheap: it is called once a pass.
template <class T, class KeyOf> void RadixSortByKey(T* first, T* last, KeyOf keyOf)
{
    constexpr int kDigitBits = 11;
    constexpr int kPasses = (64 + kDigitBits - 1) / kDigitBits;
    constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
    constexpr std::uint64_t kMask = kBuckets - 1;
    const auto n = static_cast<std::size_t>(last - first);
    if (n < 2)
        return;
    std::vector<std::array<std::size_t, kBuckets>> counts(kPasses);  // ~100 KiB: not on the stack
    for (const T* pItem = first; pItem != last; ++pItem) {
        const std::uint64_t key = keyOf(*pItem);
        for (int p = 0; p < kPasses; ++p)
            ++counts[static_cast<std::size_t>(p)][(key >> (p * kDigitBits)) & kMask];
    }
    // The scratch space is written before it is read: left uninitialised, as allocate
    // leaves it, it costs no pass of its own.
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    std::allocator<T> allocator;
    const std::unique_ptr<T, std::function<void(T*)>> scratch(allocator.allocate(n),
                                                              [&](T* p) { allocator.deallocate(p, n); });
    T* from = first;
    T* to = scratch.get();
    for (int p = 0; p < kPasses; ++p) {
        std::array<std::size_t, kBuckets>& count = counts[static_cast<std::size_t>(p)];
        if (count[(keyOf(from[0]) >> (p * kDigitBits)) & kMask] == n)
            continue;  // one digit for all: this pass would change nothing
        std::size_t sum = 0;
        for (std::size_t& c : count) {
            const std::size_t here = c;
            c = sum;
            sum += here;
        }
        for (std::size_t i = 0; i < n; ++i)
            to[count[(keyOf(from[i]) >> (p * kDigitBits)) & kMask]++] = from[i];
        std::swap(from, to);
    }
    if (from != first)
        std::copy(from, from + n, first);
}

template <class T, class KeyOf> void RadixSortByKey(std::vector<T>& items, KeyOf keyOf)
{
    RadixSortByKey(items.data(), items.data() + items.size(), keyOf);
}
