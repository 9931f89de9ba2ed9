#pragma once
#include <QSettings>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

// Keeps a benchmark's program apart from the user's: its kept searches ($XDG_DATA_HOME) and
// its settings go to scratch folders under /tmp, removed again when the benchmark ends.
class CScratchSettings {
public:
    explicit CScratchSettings(const std::string& strBench)
        : m_data(Make(strBench + "_data")), m_config(Make(strBench + "_config"))
    {
        if (!Ready())
            return;
        ::setenv("XDG_DATA_HOME", m_data.c_str(), 1);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_config));
    }
    ~CScratchSettings()
    {
        std::error_code ec;
        for (const std::string& path : {m_data, m_config})
            if (!path.empty())
                std::filesystem::remove_all(path, ec);
    }
    CScratchSettings(const CScratchSettings&) = delete;
    CScratchSettings& operator=(const CScratchSettings&) = delete;

    bool Ready() const { return !m_data.empty() && !m_config.empty(); }

private:
    static std::string Make(const std::string& strName)
    {
        std::string path = "/tmp/" + strName + ".XXXXXX";
        return ::mkdtemp(path.data()) != nullptr ? path : std::string();
    }

    std::string m_data, m_config;
};
