#pragma once
#include <QAbstractSpinBox>

class QLineEdit;

// An edit for a whole number with up and down arrows at its right. The edit takes digits
// only and keeps what is typed, however large or small: the range binds only the arrows
// (and the arrow and page keys), which step from the number shown and never leave the
// range; a number outside it is brought to the nearest end by the first step towards it.
// The program reads the number from the edit, so an empty one can be told from any number.
class CSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit CSpinEdit(QWidget* pParent = nullptr);

    void SetRange(int nLower, int nUpper);
    QLineEdit* GetEdit() const { return lineEdit(); }

    void stepBy(int nSteps) override;
    QValidator::State validate(QString& input, int& nPos) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    // The number in the edit, if it holds one that fits in an int.
    bool Value(int& nValue) const;

    int m_nLower = 0;
    int m_nUpper = 99;
};
