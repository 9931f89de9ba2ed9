#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

CommaLocale::CommaLocale() : m_previous(std::setlocale(LC_ALL, nullptr))
{
    bool bComma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "es_ES.UTF-8", "de_DE"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
            bComma = true;
            break;
        }
    }
    if (!bComma) {
        std::setlocale(LC_ALL, m_previous.c_str());
        ADD_FAILURE() << "no locale with a decimal comma is installed (scripts/setup generates de_DE.UTF-8)";
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_ALL, m_previous.c_str());
    QLocale::setDefault(m_previousQt);
}
