#include "ToolbarIcons.h"

#include "CommandTable.h"

#include <QString>

#include <map>

// The pictures are compiled into this static library; a linker keeps an object of a static
// library only when something refers to it, so they are registered here, by name. Outside
// any namespace, as Q_INIT_RESOURCE requires.
static void RegisterToolbarPictures() { Q_INIT_RESOURCE(app); }

QIcon ToolbarIcon(UINT id)
{
    // One icon per command for the life of the process: the actions and the tests compare
    // them by identity, and pixmaps cached inside must not outlive the application object,
    // which a destructor run at exit would make them do.
    static auto* const icons = [] {
        RegisterToolbarPictures();
        return new std::map<UINT, QIcon>;
    }();
    const CCommandInfo* info = FindCommand(id);
    if (info == nullptr || info->iconName == nullptr)
        return QIcon();
    auto it = icons->find(id);
    if (it == icons->end())
        it = icons->emplace(id, QIcon(QStringLiteral(":/toolbar/%1.svg").arg(QLatin1String(info->iconName)))).first;
    return it->second;
}
