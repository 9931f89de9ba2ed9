#pragma once
#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

// Puts the process in a locale that writes decimals with a comma, as a user's German or
// French desktop does (both the C library's locale and Qt's default), and back afterwards.
// When no such locale is installed the test fails: scripts/setup generates de_DE.UTF-8.
class CommaLocale {
public:
    CommaLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "es_ES.UTF-8"})
            if (std::setlocale(LC_ALL, name) != nullptr && std::strcmp(std::localeconv()->decimal_point, ",") == 0)
                break;
        if (std::strcmp(std::localeconv()->decimal_point, ",") != 0)
            ADD_FAILURE() << "no locale with a decimal comma is installed (scripts/setup generates de_DE.UTF-8)";
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, m_previous.c_str());
        QLocale::setDefault(m_previousQt);
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

private:
    std::string m_previous = std::setlocale(LC_ALL, nullptr);
    QLocale m_previousQt;
};
