#include "DataExchange.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>

#include <charconv>
#include <string>

namespace {

// The text of an edit as an int, or false: "[spaces][sign]digits[spaces]" and nothing else.
bool ParseInteger(const QString& text, int& value)
{
    const std::string s = text.trimmed().toStdString();
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') {
        ++first;  // from_chars takes a minus but not a plus
        if (first != last && *first == '-')
            return false;
    }
    int parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (s.empty() || error != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

}  // namespace

CDataExchange::CDataExchange(QWidget* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{}

void CDataExchange::Fail(QWidget* pControl, const char* pszMessage)
{
    m_bFailed = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Volra"), QString::fromUtf8(pszMessage), QMessageBox::Ok,
                    m_pDlgWnd);
    box.exec();
    if (pControl == nullptr)
        return;
    pControl->setFocus(Qt::OtherFocusReason);
    if (auto* pEdit = qobject_cast<QLineEdit*>(pControl))
        pEdit->selectAll();
}

void DDX_Text(CDataExchange* pDX, QLineEdit* pEdit, int& value)
{
    if (pDX->HasFailed())
        return;
    if (!pDX->m_bSaveAndValidate) {
        pEdit->setText(QString::number(value));
        return;
    }
    if (!ParseInteger(pEdit->text(), value))
        pDX->Fail(pEdit, "Please enter an integer.");
}

void DDX_Check(CDataExchange* pDX, QAbstractButton* pButton, int& value)
{
    if (pDX->HasFailed())
        return;
    if (pDX->m_bSaveAndValidate)
        value = pButton->isChecked() ? 1 : 0;
    else
        pButton->setChecked(value != 0);
}

void DDX_Text(CDataExchange* pDX, QLineEdit* pEdit, std::string& value)
{
    if (pDX->HasFailed())
        return;
    if (pDX->m_bSaveAndValidate)
        value = pEdit->text().toStdString();
    else
        pEdit->setText(QString::fromStdString(value));
}

void DDV_MinMaxInt(CDataExchange* pDX, QLineEdit* pEdit, int value, int nMin, int nMax)
{
    if (pDX->HasFailed() || !pDX->m_bSaveAndValidate || (value >= nMin && value <= nMax))
        return;
    const std::string message =
        "Please enter an integer between " + std::to_string(nMin) + " and " + std::to_string(nMax) + ".";
    pDX->Fail(pEdit, message.c_str());
}
