#pragma once
#include <QLocale>

#include <string>

// Puts the process in a locale that writes decimals with a comma, as a user's German or
// French desktop does (both the C library's locale and Qt's default), and back afterwards.
// When no such locale is installed the test fails: scripts/setup generates de_DE.UTF-8.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

private:
    std::string m_previous;
    QLocale m_previousQt;
};
