#include "PopupMenu.h"

#include "DisplayText.h"

#include <QAction>
#include <QMenu>

std::unique_ptr<QMenu> BuildPopupMenu(const std::vector<CMenuItem>& items, CCmdTarget& route, QWidget* pParent)
{
    auto menu = std::make_unique<QMenu>(pParent);
    for (const CMenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        CCmdUI ui(item.id);
        UpdateCommandUI(route, ui);
        action->setEnabled(ui.m_bEnabled);
        if (ui.m_nCheck != 0) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        if (ui.m_text)
            action->setText(QString::fromUtf8(*ui.m_text));
    }
    return menu;
}

UINT TrackPopupMenu(const std::vector<CMenuItem>& items, QPoint screenPos, CCmdTarget& route, QWidget* pParent)
{
    std::unique_ptr<QMenu> menu = BuildPopupMenu(items, route, pParent);
    QAction* chosen = menu->exec(screenPos);
    if (chosen == nullptr)
        return 0;
    const UINT id = chosen->data().toUInt();
    menu.reset();  // the command may close the window the menu belongs to
    return ExecuteCommand(route, id) ? id : 0;
}

std::string EscapeMenuText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    // A tab in a name would otherwise start the key text, a newline break the item.
    for (char c : DisplayBytes(text)) {
        if (c == '&')
            out += '&';
        out += c;
    }
    return out;
}
