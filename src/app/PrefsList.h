#pragma once
#include "framework/PropertyPage.h"

// The "List Mode" page of the Preferences: the list view has no settings yet.
class CPrefsList : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPrefsList(QWidget* pParent = nullptr);
};
