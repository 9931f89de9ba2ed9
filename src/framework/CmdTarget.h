#pragma once
#include "CmdUI.h"
#include "base/Types.h"

#include <functional>
#include <vector>

class CCmdTarget;

// A class's command table: command id -> handler and update handler. Each table names the
// table of its base class, so a derived class inherits its base's commands.
class CCmdMap {
public:
    using Handler = std::function<void(CCmdTarget&)>;
    using UpdateHandler = std::function<void(CCmdTarget&, CCmdUI&)>;
    struct Entry {
        UINT id;
        Handler handler;  // may be empty: update only
        UpdateHandler update;  // may be empty: always enabled while a handler exists
    };

    explicit CCmdMap(const CCmdMap* pBase = nullptr) : m_pBase(pBase) {}

    // The nearest entry for id with a handler (bUpdate FALSE) or with an update handler or a
    // handler (bUpdate TRUE), searching this table and then the base tables; null if none.
    const Entry* Find(UINT id, BOOL bUpdate) const;

protected:
    const CCmdMap* m_pBase;
    std::vector<Entry> m_entries;
};

// Builds the table of class T:
//   static const CCmdMapOf<CVolraDoc> map = CCmdMapOf<CVolraDoc>(&CDocument::ClassCmdMap())
//       .On(ID_REFRESH, &CVolraDoc::OnRefresh)
//       .On(ID_OPEN_PARENT, &CVolraDoc::OnOpenParent, &CVolraDoc::OnUpdateOpenParent);
template <class T> class CCmdMapOf : public CCmdMap {
public:
    explicit CCmdMapOf(const CCmdMap* pBase) : CCmdMap(pBase) {}

    CCmdMapOf&& On(UINT id, void (T::*handler)(), void (T::*update)(CCmdUI*) = nullptr) &&
    {
        Entry e{id, [handler](CCmdTarget& t) { (static_cast<T&>(t).*handler)(); }, {}};
        if (update != nullptr)
            e.update = [update](CCmdTarget& t, CCmdUI& ui) { (static_cast<T&>(t).*update)(&ui); };
        m_entries.push_back(std::move(e));
        return std::move(*this);
    }
    CCmdMapOf&& OnUpdate(UINT id, void (T::*update)(CCmdUI*)) &&
    {
        m_entries.push_back({id, {}, [update](CCmdTarget& t, CCmdUI& ui) { (static_cast<T&>(t).*update)(&ui); }});
        return std::move(*this);
    }
};

// Anything that can receive commands. OnCmdMsg with a CCmdUI asks for the command's state
// (the update handler), without one it carries the command out. Either returns TRUE when
// this target, or one it routes to, handles the id. Derived classes route further by
// overriding OnCmdMsg (a view passes on to its document, a frame to its active view).
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget();

    virtual BOOL OnCmdMsg(UINT nID, CCmdUI* pCmdUI);

    static const CCmdMap& ClassCmdMap();

protected:
    virtual const CCmdMap& GetCmdMap() const { return ClassCmdMap(); }
};

// Runs the update handlers of the route for id; TRUE when some target handles id and left
// it enabled. A command that nothing in the route handles is disabled.
BOOL UpdateCommandUI(CCmdTarget& route, CCmdUI& ui);
// Carries out id through the route only when its update handlers leave it enabled, so a
// disabled command does nothing whether it comes from a menu, a button or a key.
BOOL ExecuteCommand(CCmdTarget& route, UINT nID);

// The head of the application's command route (the main frame once it exists). Popup menus
// that belong to the main window send their commands here.
void SetCommandRoute(CCmdTarget* pRoute);
CCmdTarget* GetCommandRoute();
