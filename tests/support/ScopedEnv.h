#pragma once
#include <cstdlib>
#include <string>

// An environment variable set while it lives (an empty value unsets it), then put back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name), m_bHad(std::getenv(name) != nullptr)
    {
        if (m_bHad)
            m_old = std::getenv(name);
        value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { m_bHad ? ::setenv(m_name, m_old.c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_bHad;
    std::string m_old;
};
