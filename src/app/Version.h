#pragma once

// The program's version, as the About box and "volra --version" show it.
inline constexpr char kVolraVersion[] = "1.1";
