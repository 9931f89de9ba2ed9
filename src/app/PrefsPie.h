#pragma once
#include "framework/PropertyPage.h"

// The "Pie Mode" page of the Preferences: the pie view has no settings yet.
class CPrefsPie : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPrefsPie(QWidget* pParent = nullptr);
};
