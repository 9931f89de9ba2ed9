#include "PrefsPie.h"

#include <QLabel>
#include <QVBoxLayout>

CPrefsPie::CPrefsPie(QWidget* pParent) : CPropertyPage(QStringLiteral("Pie Mode"), pParent)
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("No options at this time"), this));
    pLayout->addStretch(1);
}
