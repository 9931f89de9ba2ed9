#pragma once
#include "base/Types.h"

#include <optional>
#include <string>

// What an update handler says about one command: enabled, checked, radio mark, text.
// Menus, toolbar buttons and keys read it before they show or carry out the command.
class CCmdUI {
public:
    explicit CCmdUI(UINT nID) : m_nID(nID) {}

    void Enable(BOOL bOn = TRUE) { m_bEnabled = bOn != FALSE; }
    void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }
    void SetRadio(BOOL bOn = TRUE)
    {
        m_bRadio = bOn != FALSE;
        m_nCheck = bOn ? 1 : 0;
    }
    void SetText(const std::string& text) { m_text = text; }

    UINT m_nID;
    bool m_bEnabled = true;  // a handler that does not call Enable leaves its command on
    int m_nCheck = 0;
    bool m_bRadio = false;
    std::optional<std::string> m_text;
};
