#include "SpinEdit.h"

#include <QLineEdit>

#include <algorithm>
#include <cstdint>

CSpinEdit::CSpinEdit(QWidget* pParent) : QAbstractSpinBox(pParent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(false);
}

void CSpinEdit::SetRange(int nLower, int nUpper)
{
    m_nLower = std::min(nLower, nUpper);
    m_nUpper = std::max(nLower, nUpper);
}

bool CSpinEdit::Value(int& nValue) const
{
    bool bOk = false;
    nValue = text().toInt(&bOk);
    return bOk;
}

QValidator::State CSpinEdit::validate(QString& input, int&) const
{
    // Empty is acceptable too: it is what the user typed, and the dialog says what is
    // wrong with it when the value is read; an intermediate state would be reverted.
    for (const QChar c : input)
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const
{
    int nValue = 0;
    if (!Value(nValue))
        return StepUpEnabled | StepDownEnabled;
    StepEnabled steps = StepNone;
    if (nValue < m_nUpper)
        steps |= StepUpEnabled;
    if (nValue > m_nLower)
        steps |= StepDownEnabled;
    return steps;
}

void CSpinEdit::stepBy(int nSteps)
{
    int nValue = 0;
    std::int64_t next = m_nLower;  // an edit without a number starts at the bottom
    if (Value(nValue))
        next = std::clamp<std::int64_t>(std::int64_t{nValue} + nSteps, m_nLower, m_nUpper);
    lineEdit()->setText(QString::number(next));
    selectAll();
}
