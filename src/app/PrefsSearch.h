#pragma once
#include "doc/ExcludeRules.h"
#include "framework/PropertyPage.h"

class QCheckBox;
class QPlainTextEdit;

// The "Search" page of the Preferences: patterns of names or paths that local searches
// leave out, one a line, whether folders marked as caches are left out too, and whether
// searches stay on one file system (network ones a choice of their own when they do not).
class CPrefsSearch : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPrefsSearch(const CExcludeRules& rules, QWidget* pParent = nullptr);

    CExcludeRules m_rules;  // what the page shows, and what it holds once OK was pressed
    QPlainTextEdit* m_wndPatterns = nullptr;  // "&Leave out names or paths matching (one a line)"
    QCheckBox* m_wndCaches = nullptr;  // "Leave out folders holding a &CACHEDIR.TAG"
    QCheckBox* m_wndOneFileSystem = nullptr;  // "Stay on one &file system"
    QCheckBox* m_wndNetwork = nullptr;  // "Include &network file systems", only while crossing

protected:
    void DoDataExchange(CDataExchange* pDX) override;

private:
    // The lines typed, as patterns: a line shown for a stored pattern gives back its bytes,
    // so one that is not UTF-8 outlives a visit to the page.
    std::vector<std::string> PatternsTyped() const;

    std::vector<std::string> m_shown;  // the patterns as the page was opened with
};
