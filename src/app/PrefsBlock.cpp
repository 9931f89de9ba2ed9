#include "PrefsBlock.h"

#include "framework/DataExchange.h"
#include "framework/SpinEdit.h"
#include "views/VolraPrefs.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kBorderLower = 1, kBorderUpper = 64;
constexpr int kFontSizeLower = 6, kFontSizeUpper = 64;
constexpr int kSpinDigits = 6;  // an edit's width, in digits

// Every font family there is, sorted as a list box sorts: case aside, then by case.
QStringList SortedFamilies()
{
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family))
            families.append(family);
    std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        const int byLetters = QString::compare(a, b, Qt::CaseInsensitive);
        return byLetters != 0 ? byLetters < 0 : a < b;
    });
    return families;
}

// The family the labels are drawn in: the stored face when it is installed, else the one
// font matching put in its place (the default "Tahoma" is rarely installed on Linux).
QString UsedFamily(const std::string& strFace)
{
    QFont font = AfxGetPrefs().m_fontLarge;
    font.setFamily(QString::fromStdString(strFace));
    return QFontInfo(font).family();
}

}  // namespace

CPrefsBlock::CPrefsBlock(QWidget* pParent) : CPropertyPage(QStringLiteral("Block Mode"), pParent)
{
    const CVolraPrefs& prefs = AfxGetPrefs();
    m_nFontSize = prefs.m_nFontSizeLarge;
    m_nBorder = prefs.m_nBorder;
    m_strFontFace = prefs.m_strFontFace;
    CreateControls();
}

void CPrefsBlock::CreateControls()
{
    m_wndFontList = new QComboBox(this);
    m_wndFontSizeSpin = new CSpinEdit(this);
    m_wndBorderSpin = new CSpinEdit(this);
    const int nSpinWidth = m_wndBorderSpin->fontMetrics().horizontalAdvance(QString(kSpinDigits, u'0')) + 24;
    for (CSpinEdit* pSpin : {m_wndFontSizeSpin, m_wndBorderSpin})
        pSpin->setFixedWidth(nSpinWidth);
    // Only a pick from the list changes the face; filling and selecting in code do not.
    connect(m_wndFontList, &QComboBox::textActivated, this,
            [this](const QString& face) { m_strFontFace = face.toStdString(); });

    auto* pForm = new QFormLayout;
    pForm->addRow(QStringLiteral("Label &font"), m_wndFontList);
    pForm->addRow(QStringLiteral("Font &size"), m_wndFontSizeSpin);
    pForm->addRow(QStringLiteral("&Border"), m_wndBorderSpin);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addStretch(1);
}

void CPrefsBlock::SelectFace(QComboBox* pList, const std::string& strFace)
{
    const QString face = QString::fromStdString(strFace);
    const int nCount = pList->count();
    for (int i = 1; i <= nCount; ++i) {
        const int nItem = i % nCount;
        if (pList->itemText(nItem).startsWith(face, Qt::CaseInsensitive)) {
            pList->setCurrentIndex(nItem);
            return;
        }
    }
    pList->setCurrentIndex(-1);
}

BOOL CPrefsBlock::OnInitDialog()
{
    m_wndFontList->clear();
    m_wndFontList->addItems(SortedFamilies());
    const CVolraPrefs& prefs = AfxGetPrefs();
    SelectFace(m_wndFontList, prefs.m_strFontFace);
    // A face no family begins shows the family drawn in its place; the stored face stays
    // until the user picks one.
    if (m_wndFontList->currentIndex() < 0)
        m_wndFontList->setCurrentIndex(m_wndFontList->findText(UsedFamily(prefs.m_strFontFace)));
    m_wndBorderSpin->SetRange(kBorderLower, kBorderUpper);
    m_wndFontSizeSpin->SetRange(kFontSizeLower, kFontSizeUpper);
    m_nBorder = prefs.m_nBorder;
    m_nFontSize = prefs.m_nFontSizeLarge;
    m_strFontFace = prefs.m_strFontFace;
    return CPropertyPage::OnInitDialog();
}

void CPrefsBlock::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, m_wndFontSizeSpin->GetEdit(), m_nFontSize);
    DDX_Text(pDX, m_wndBorderSpin->GetEdit(), m_nBorder);
}
