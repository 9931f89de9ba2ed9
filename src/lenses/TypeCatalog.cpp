#include "TypeCatalog.h"

#include "framework/DisplayText.h"

#include <QMimeDatabase>

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t kLongestExtension = 24;  // bytes; "raw-disk-image.xz" is 17

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsLower(std::string_view bytes, std::string_view lower)
{
    return bytes.size() == lower.size()
        && std::equal(bytes.begin(), bytes.end(), lower.begin(), [](char a, char b) { return Lower(a) == b; });
}

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "*.iso" -> "iso", "*.tar.gz" -> "tar.gz": the suffix of a pattern that is "*." and one
// or two plain parts, lower-cased; empty for any other pattern.
std::string SuffixOf(const QString& pattern)
{
    if (!pattern.startsWith(QLatin1StringView("*.")))
        return {};
    const QString suffix = pattern.mid(2).toLower();
    const bool bPlain =
        std::none_of(suffix.begin(), suffix.end(), [](QChar c) { return c == u'*' || c == u'?' || c == u'['; });
    if (!bPlain || suffix.isEmpty() || suffix.count(u'.') > 1 || suffix.startsWith(u'.') || suffix.endsWith(u'.'))
        return {};
    return suffix.toStdString();
}

}  // namespace

CTypeCatalog& CTypeCatalog::Shared()
{
    static CTypeCatalog catalog;
    return catalog;
}

CTypeCatalog::CTypeCatalog()
{
    const QMimeDatabase database;
    for (const QMimeType& type : database.allMimeTypes()) {
        for (const QString& pattern : type.globPatterns()) {
            std::string suffix = SuffixOf(pattern);
            if (suffix.find('.') != std::string::npos)
                m_compounds.insert(suffix);
            if (!suffix.empty())
                m_known.insert(std::move(suffix));
        }
    }
    Add({});  // id 0: no extension
}

FileCategory CTypeCatalog::LookUpCategory(std::string_view extension) const
{
    // Only what the database has a pattern for is looked up: a tree (or a saved search)
    // of a million made-up extensions costs a hash lookup each, not a million MIME lookups.
    if (!m_known.contains(extension))
        return FileCategory::Other;
    const QString name =
        QStringLiteral("x.") + QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
    static const QMimeDatabase database;
    // MatchExtension looks at the name alone; nothing is opened.
    return CategoryOfMimeType(database.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
}

std::string_view CTypeCatalog::ExtensionOf(std::string_view name) const
{
    constexpr std::size_t npos = std::string_view::npos;
    const std::size_t first = name.find_first_not_of('.');
    const std::size_t last = name.rfind('.');
    if (first == npos || last == npos || last < first || last + 1 == name.size())
        return {};
    std::string_view extension = name.substr(last + 1);
    if (AllDigits(extension)) {
        // "libz.so.1.2.13": numbers after ".so" are a shared library's version.
        for (std::size_t end = last;;) {
            const std::size_t prev = name.rfind('.', end - 1);
            if (prev == npos || prev <= first)
                break;
            const std::string_view part = name.substr(prev + 1, end - prev - 1);
            if (EqualsLower(part, "so"))
                return part;
            if (!AllDigits(part))
                break;
            end = prev;
        }
    }
    if (const std::size_t prev = name.rfind('.', last - 1); prev != npos && prev > first) {
        const std::string_view pair = name.substr(prev + 1);
        std::array<char, kLongestExtension> lower{};
        if (pair.size() <= lower.size()) {
            std::transform(pair.begin(), pair.end(), lower.begin(), Lower);
            if (m_compounds.contains(std::string_view(lower.data(), pair.size())))
                extension = pair;
        }
    }
    if (extension.size() > kLongestExtension || extension.find(' ') != npos)
        return {};
    return extension;
}

const CFileType& CTypeCatalog::TypeOf(std::string_view name)
{
    const std::string_view extension = ExtensionOf(name);
    m_lower.assign(extension);
    std::transform(m_lower.begin(), m_lower.end(), m_lower.begin(), Lower);
    if (const auto it = m_byExtension.find(std::string_view(m_lower)); it != m_byExtension.end())
        return *it->second;
    return Add(m_lower);
}

const CFileType& CTypeCatalog::Add(std::string_view extension)
{
    auto type = std::make_unique<CFileType>();
    type->extension = extension;
    type->category = LookUpCategory(extension);
    type->id = static_cast<std::uint32_t>(m_byId.size());
    const CFileType& added = *type;
    m_byId.reserve(m_byId.size() + 1);  // so that nothing can fail once the type is in the map
    m_byExtension.emplace(added.extension, std::move(type));
    m_byId.push_back(&added);
    return added;
}

QString ExtensionText(std::string_view extension)
{
    return extension.empty() ? QStringLiteral("(none)") : DisplayText(extension);
}

std::string ExtensionBytes(std::string_view extension) { return extension.empty() ? "(none)" : std::string(extension); }
