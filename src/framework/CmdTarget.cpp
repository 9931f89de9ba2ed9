#include "CmdTarget.h"

namespace {
CCmdTarget* g_pRoute = nullptr;
}

const CCmdMap::Entry* CCmdMap::Find(UINT id, BOOL bUpdate) const
{
    for (const CCmdMap* map = this; map != nullptr; map = map->m_pBase)
        for (const Entry& e : map->m_entries)
            if (e.id == id && (e.handler || (bUpdate && e.update)))
                return &e;
    return nullptr;
}

CCmdTarget::~CCmdTarget()
{
    if (g_pRoute == this)
        g_pRoute = nullptr;
}

const CCmdMap& CCmdTarget::ClassCmdMap()
{
    static const CCmdMap empty;
    return empty;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    const CCmdMap::Entry* e = GetCmdMap().Find(nID, pCmdUI != nullptr);
    if (e == nullptr)
        return FALSE;
    if (pCmdUI != nullptr) {
        if (e->update)
            e->update(*this, *pCmdUI);  // no update handler: a handled command is enabled
        return TRUE;
    }
    e->handler(*this);
    return TRUE;
}

BOOL UpdateCommandUI(CCmdTarget& route, CCmdUI& ui)
{
    ui.m_bEnabled = true;
    if (!route.OnCmdMsg(ui.m_nID, &ui))
        ui.m_bEnabled = false;
    return ui.m_bEnabled ? TRUE : FALSE;
}

BOOL ExecuteCommand(CCmdTarget& route, UINT nID)
{
    CCmdUI ui(nID);
    if (!UpdateCommandUI(route, ui))
        return FALSE;
    return route.OnCmdMsg(nID, nullptr);
}

void SetCommandRoute(CCmdTarget* pRoute) { g_pRoute = pRoute; }
CCmdTarget* GetCommandRoute() { return g_pRoute; }
