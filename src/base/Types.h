#pragma once
// The handful of fixed-width names the program's interfaces are written in.
#include <cstdint>

using BOOL = int;  // 0 or 1; kept as int so that a flag reads the same in every signature
constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LPARAM = std::intptr_t;

// Results of a modal dialog.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
