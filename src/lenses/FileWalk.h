#pragma once
#include "model/Entry.h"

#include <vector>

// Visits every file below top depth first, in the tree's order (top itself when it is a
// file): onFile(file) for each, and for each directory below top onEnter(directory) before
// what it holds and onLeave() after. The stack is a vector of our own, so a tree 100,000
// levels deep costs no call stack. Top is CEntry or const CEntry; so is what the calls get.
inline constexpr std::size_t kWalkAhead = 8;  // entries looked up ahead of the one visited

template <class Top, class OnFile, class OnEnter, class OnLeave>
void WalkFiles(Top& top, OnFile&& onFile, OnEnter&& onEnter, OnLeave&& onLeave)
{
    if (!top.IsDirectory()) {
        onFile(top);
        return;
    }
    struct Frame {
        const CEntryChildren* pChildren;  // not owned: the tree's
        std::size_t nNext;
    };
    std::vector<Frame> stack;
    stack.push_back({&top.GetChildren(), 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.nNext == frame.pChildren->size()) {
            stack.pop_back();
            if (!stack.empty())
                onLeave();
            continue;
        }
        // Entries are scattered over the arena: asking for the ones a few steps ahead
        // overlaps their cache misses, which are most of a walk's time.
        if (frame.nNext + kWalkAhead < frame.pChildren->size())
            __builtin_prefetch((*frame.pChildren)[frame.nNext + kWalkAhead]);
        if (frame.nNext + kWalkAhead / 2 < frame.pChildren->size())
            (*frame.pChildren)[frame.nNext + kWalkAhead / 2]->PrefetchName();
        CEntry* pChild = (*frame.pChildren)[frame.nNext++];
        if (pChild->IsDirectory()) {
            onEnter(*pChild);
            stack.push_back({&pChild->GetChildren(), 0});
        } else {
            onFile(*pChild);
        }
    }
}

// The same without the directories' calls.
template <class Top, class OnFile> void ForEachFile(Top& top, OnFile&& onFile)
{
    WalkFiles(
        top, onFile, [](const CEntry&) {}, [] {});
}
