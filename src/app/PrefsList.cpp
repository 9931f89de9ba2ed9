#include "PrefsList.h"

#include <QLabel>
#include <QVBoxLayout>

CPrefsList::CPrefsList(QWidget* pParent) : CPropertyPage(QStringLiteral("List Mode"), pParent)
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("No options at this time"), this));
    pLayout->addStretch(1);
}
