#include "PrefsSearch.h"

#include "framework/DataExchange.h"
#include "framework/DisplayText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

CPrefsSearch::CPrefsSearch(const CExcludeRules& rules, QWidget* pParent)
    : CPropertyPage(QStringLiteral("Search"), pParent), m_rules(rules), m_shown(rules.patterns)
{
    m_wndPatterns = new QPlainTextEdit(this);
    m_wndPatterns->setObjectName(QStringLiteral("ExcludePatterns"));
    m_wndPatterns->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_wndPatterns->setTabChangesFocus(true);
    auto* pLabel = new QLabel(QStringLiteral("&Leave out names or paths matching (one a line):"), this);
    pLabel->setBuddy(m_wndPatterns);
    auto* pHint = new QLabel(QStringLiteral("For example *.o, node_modules or /home/*/.cache"), this);
    pHint->setEnabled(false);
    m_wndCaches = new QCheckBox(QStringLiteral("Leave out folders holding a &CACHEDIR.TAG"), this);
    m_wndOneFileSystem = new QCheckBox(QStringLiteral("Stay on one &file system"), this);
    m_wndNetwork = new QCheckBox(QStringLiteral("Include &network file systems"), this);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pLabel);
    pLayout->addWidget(m_wndPatterns, 1);
    pLayout->addWidget(pHint);
    pLayout->addWidget(m_wndCaches);
    pLayout->addSpacing(pLayout->spacing());
    pLayout->addWidget(m_wndOneFileSystem);
    // Under the box it depends on, indented as a check box's text is.
    auto* pNetworkRow = new QHBoxLayout;
    pNetworkRow->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth)
                            + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    pNetworkRow->addWidget(m_wndNetwork, 1);
    pLayout->addLayout(pNetworkRow);
    // Network file systems are a choice only while the search crosses into others.
    connect(m_wndOneFileSystem, &QCheckBox::toggled, m_wndNetwork, &QWidget::setDisabled);
}

void CPrefsSearch::DoDataExchange(CDataExchange* pDX)
{
    if (!pDX->m_bSaveAndValidate) {
        QStringList lines;
        for (const std::string& pattern : m_rules.patterns)
            lines.append(DisplayText(pattern));
        m_wndPatterns->setPlainText(lines.join(u'\n'));
        m_wndCaches->setChecked(m_rules.bExcludeCaches);
        m_wndOneFileSystem->setChecked(!m_rules.bCrossFileSystems);
        m_wndNetwork->setChecked(m_rules.bNetworkFileSystems);
        m_wndNetwork->setEnabled(m_rules.bCrossFileSystems);
        return;
    }
    m_rules.patterns = PatternsTyped();
    m_rules.bExcludeCaches = m_wndCaches->isChecked();
    m_rules.bCrossFileSystems = !m_wndOneFileSystem->isChecked();
    m_rules.bNetworkFileSystems = m_wndNetwork->isChecked();
}

std::vector<std::string> CPrefsSearch::PatternsTyped() const
{
    std::vector<std::string> patterns;
    const QStringList lines = m_wndPatterns->toPlainText().split(u'\n');
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        const auto shown = std::find_if(m_shown.begin(), m_shown.end(),
                                        [&](const std::string& pattern) { return DisplayText(pattern) == line; });
        if (shown != m_shown.end()) {
            patterns.push_back(*shown);
        } else {
            const QByteArray bytes = line.toUtf8();
            patterns.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        }
    }
    return patterns;
}
