#include "app/CommandTable.h"

#include <array>
#include <cstring>

namespace qvor {
namespace {

using T = TextId;

// A menu of the menu bar has no parent.
constexpr MenuEntryDef entries[] = {
    {.name = "mr3system", .caption = T::MenuR3System},
    {.name = "mconectar", .parent = "mr3system", .caption = T::Menu_mconectar, .picture = 1},
    {.name = "mdesconectar", .parent = "mr3system", .caption = T::Menu_mdesconectar},
    {.name = "msapsysinfo", .parent = "mr3system", .caption = T::Menu_msapsysinfo},
    {.name = "msaplogon", .parent = "mr3system", .caption = T::Menu_msaplogon, .picture = 2, .separatorBefore = true, .allowedWhileBusy = true},
    {.name = "mopcoes", .parent = "mr3system", .caption = T::Menu_mopcoes, .picture = 3, .separatorBefore = true},
    {.name = "msair", .parent = "mr3system", .caption = T::Menu_msair, .picture = 4, .separatorBefore = true},

    {.name = "mfile", .caption = T::Menu_mfile},
    {.name = "mnewqtable", .parent = "mfile", .caption = T::Menu_mnewqtable, .picture = 5},
    {.name = "mopenqtable", .parent = "mfile", .caption = T::Menu_mopenqtable, .picture = 6},
    {.name = "msaveqtable", .parent = "mfile", .caption = T::Menu_msaveqtable, .picture = 7, .separatorBefore = true, .disabledAtStart = true, .windowOperation = "SaveQTable"},
    {.name = "msaveasqtable", .parent = "mfile", .caption = T::Menu_msaveasqtable, .disabledAtStart = true, .windowOperation = "SaveAsQTable"},
    {.name = "mabrirtabelas", .parent = "mfile", .caption = T::Menu_mabrirtabelas, .picture = 8, .separatorBefore = true},
    {.name = "mcloseqtable", .parent = "mfile", .caption = T::Menu_mcloseqtable, .separatorBefore = true},

    {.name = "mtable", .caption = T::Menu_mtable},
    {.name = "mntable", .parent = "mtable", .caption = T::Menu_mntable},
    {.name = "mnewtable", .parent = "mntable", .caption = T::Menu_mnewtable},
    {.name = "mnewfolder", .parent = "mntable", .caption = T::Menu_mnewfolder},
    {.name = "mnewroot", .parent = "mntable", .caption = T::Menu_mnewroot},
    {.name = "mfindtable", .parent = "mtable", .caption = T::Menu_mfindtable, .windowOperation = "FindTable"},
    {.name = "mcuttable", .parent = "mtable", .caption = T::Menu_mcuttable, .separatorBefore = true, .windowOperation = "CutTable"},
    {.name = "mpastetable", .parent = "mtable", .caption = T::Menu_mpastetable, .disabledAtStart = true, .windowOperation = "PasteTable"},
    {.name = "mremovetable", .parent = "mtable", .caption = T::Menu_mremovetable, .separatorBefore = true},
    {.name = "mrename", .parent = "mtable", .caption = T::Menu_mrename, .windowOperation = "RenameFolder"},
    {.name = "msinglesel", .parent = "mtable", .caption = T::Menu_msinglesel, .separatorBefore = true, .checkable = true, .checkedAtStart = true, .allowedWhileBusy = true},

    {.name = "mfields", .caption = T::Menu_mfields},
    {.name = "mcopytomytable", .parent = "mfields", .caption = T::Menu_mcopytomytable, .picture = 9, .windowOperation = "CopyListItem"},
    {.name = "mprintfields", .parent = "mfields", .caption = T::Menu_mprintfields, .windowOperation = "PrintFields"},
    {.name = "mviewfields", .parent = "mfields", .caption = T::Menu_mviewfields, .separatorBefore = true},
    {.name = "mviewfieldsdetail", .parent = "mviewfields", .caption = T::Menu_mviewfieldsdetail, .checkable = true, .checkedAtStart = true, .allowedWhileBusy = true},
    {.name = "mviewfieldslist", .parent = "mviewfields", .caption = T::Menu_mviewfieldslist, .checkable = true, .checkedAtStart = true, .allowedWhileBusy = true},
    {.name = "mfieldsgridlines", .parent = "mviewfields", .caption = T::Menu_mfieldsgridlines, .checkable = true, .checkedAtStart = true, .allowedWhileBusy = true},

    {.name = "mmytable", .caption = T::Menu_mmytable},
    {.name = "mqpreview", .parent = "mmytable", .caption = T::Menu_mqpreview, .picture = 10, .windowOperation = "UpdatePreview"},
    {.name = "mprintfieldsmytable", .parent = "mmytable", .caption = T::Menu_mprintfieldsmytable, .windowOperation = "PrintFieldsMyTable"},
    {.name = "mprintpreview", .parent = "mmytable", .caption = T::Menu_mprintpreview, .windowOperation = "PrintPreview"},
    {.name = "mcloseqpreview", .parent = "mmytable", .caption = T::Menu_mcloseqpreview, .windowOperation = "ClosePreview"},
    {.name = "mimportmytable", .parent = "mmytable", .caption = T::Menu_mimportmytable, .picture = 11, .separatorBefore = true, .windowOperation = "ImportMyTable"},
    {.name = "mopenmytable", .parent = "mmytable", .caption = T::Menu_mopenmytable, .picture = 12},
    {.name = "mcancel", .parent = "mmytable", .caption = T::Menu_mcancel, .disabledAtStart = true, .allowedWhileBusy = true},
    {.name = "mimportoptions", .parent = "mmytable", .caption = T::Menu_mimportoptions},
    {.name = "mrows", .parent = "mmytable", .caption = T::Menu_mrows, .separatorBefore = true, .windowOperation = "rows"},
    {.name = "mcloserows", .parent = "mmytable", .caption = T::Menu_mcloserows, .windowOperation = "CloseRows"},
    {.name = "mmovedown", .parent = "mmytable", .caption = T::Menu_mmovedown, .picture = 13, .separatorBefore = true, .windowOperation = "MoveDown"},
    {.name = "mmoveup", .parent = "mmytable", .caption = T::Menu_mmoveup, .picture = 14, .windowOperation = "MoveUp"},
    {.name = "mremovefield", .parent = "mmytable", .caption = T::Menu_mremovefield, .picture = 15, .windowOperation = "RemoveField"},
    {.name = "mremoveallfields", .parent = "mmytable", .caption = T::Menu_mremoveallfields, .windowOperation = "RemoveAllFields"},

    {.name = "moptions", .caption = T::Menu_moptions},
    {.name = "mshowoption", .parent = "moptions", .caption = T::Menu_mshowoption, .windowOperation = "ShowOption"},
    {.name = "mprintoptions", .parent = "moptions", .caption = T::Menu_mprintoptions, .windowOperation = "PrintOptions"},
    {.name = "mremoveoption", .parent = "moptions", .caption = T::Menu_mremoveoption, .separatorBefore = true, .windowOperation = "RemoveOption"},
    {.name = "mremovealloptions", .parent = "moptions", .caption = T::Menu_mremovealloptions, .windowOperation = "RemoveAllOptions"},

    {.name = "mver", .caption = T::Menu_mver},
    {.name = "mtoolbar", .parent = "mver", .caption = T::Menu_mtoolbar, .checkable = true, .checkedAtStart = true, .allowedWhileBusy = true},
    {.name = "mstatusbar", .parent = "mver", .caption = T::Menu_mstatusbar, .checkable = true, .checkedAtStart = true, .allowedWhileBusy = true},

    {.name = "mjanela", .caption = T::Menu_mjanela},
    {.name = "mvertical", .parent = "mjanela", .caption = T::Menu_mvertical, .allowedWhileBusy = true},
    {.name = "mhorizontal", .parent = "mjanela", .caption = T::Menu_mhorizontal, .allowedWhileBusy = true},
    {.name = "mtabular", .parent = "mjanela", .caption = T::Menu_mtabular, .allowedWhileBusy = true},

    {.name = "mauxilio", .caption = T::Menu_mauxilio},
    {.name = "mauxiliogeral", .parent = "mauxilio", .caption = T::Menu_mauxiliogeral, .picture = 16, .allowedWhileBusy = true},
    {.name = "msobrezeq", .parent = "mauxilio", .caption = T::Menu_msobrezeq, .allowedWhileBusy = true},
    {.name = "mzeq", .parent = "mauxilio", .caption = T::Menu_mzeq},
    {.name = "mzeqhp", .parent = "mzeq", .caption = T::Menu_mzeqhp, .allowedWhileBusy = true},
    {.name = "msupport", .parent = "mzeq", .caption = T::Menu_msupport, .allowedWhileBusy = true},
};

constexpr std::array toolbar{
    ToolbarButtonDef{"Conectar", T::Hint_Conectar, "mconectar", 1},
    ToolbarButtonDef{"SapLogon", T::Hint_SapLogon, "msaplogon", 2},
    ToolbarButtonDef{"Opcoes", T::Hint_Opcoes, "mopcoes", 3},
    ToolbarButtonDef{nullptr, T::Hint_Opcoes, nullptr, 0},
    ToolbarButtonDef{"NewQTable", T::Hint_NewQTable, "mnewqtable", 4},
    ToolbarButtonDef{"OpenQTable", T::Hint_OpenQTable, "mopenqtable", 5},
    ToolbarButtonDef{"Save", T::Hint_Save, "msaveqtable", 6},
    ToolbarButtonDef{"AbrirTabelas", T::Hint_AbrirTabelas, "mabrirtabelas", 7},
    ToolbarButtonDef{nullptr, T::Hint_Opcoes, nullptr, 0},
    ToolbarButtonDef{"Preview", T::Hint_Preview, "mqpreview", 8},
    ToolbarButtonDef{"ImportMyTable", T::Hint_ImportMyTable, "mimportmytable", 9},
    ToolbarButtonDef{"OpenMyTable", T::Hint_OpenMyTable, "mopenmytable", 10},
    ToolbarButtonDef{nullptr, T::Hint_Opcoes, nullptr, 0},
    ToolbarButtonDef{"Auxilio", T::Hint_Auxilio, "mauxiliogeral", 11},
    ToolbarButtonDef{"Sair", T::Hint_Sair, "msair", 12},
};

} // namespace

std::span<const MenuEntryDef> menuEntries() { return entries; }
std::span<const ToolbarButtonDef> toolbarPositions() { return toolbar; }

const MenuEntryDef* findMenuEntry(const QString& name)
{
    for (const MenuEntryDef& e : entries)
        if (name == QLatin1String(e.name)) return &e;
    return nullptr;
}

const ToolbarButtonDef* findToolbarButton(const QString& key)
{
    for (const ToolbarButtonDef& b : toolbar)
        if (b.key && key == QLatin1String(b.key)) return &b;
    return nullptr;
}

bool isMenu(const QString& name)
{
    for (const MenuEntryDef& e : entries)
        if (e.parent && name == QLatin1String(e.parent)) return true;
    return false;
}

} // namespace qvor
