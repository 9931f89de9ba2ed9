#pragma once
#include "base/Types.h"
#include "history/HistoryStore.h"

// The history's preferences, section "History" of the settings beside the others: whether
// finished searches are kept for comparison, how many of each folder and how much space
// they may take. Read at start-up and written at exit, as the others; taken as stored,
// and brought within their ranges only where used (StoreLimits).
class CHistoryPrefs {
public:
    static constexpr int kMinPerFolder = 1, kMaxPerFolder = 1000;
    static constexpr int kMinSpaceMiB = 1, kMaxSpaceMiB = 1024 * 1024;  // 1 MiB to 1 TiB

    // Every value at its default.
    CHistoryPrefs();

    // Reads Keep, PerFolder and SpaceMiB, in that order; a missing or unreadable one gives
    // its default.
    void Load();
    // Writes all three, changed or not.
    void Save() const;
    // The limits the store keeps to, each value clamped to its range.
    CHistoryStore::Limits StoreLimits() const;

    BOOL m_bKeep = FALSE;  // "Keep searches for comparison"; any non-zero is set
    int m_nPerFolder = 0;  // "Searches kept per folder"
    int m_nSpaceMiB = 0;  // "Space for kept searches (MiB)"
};
