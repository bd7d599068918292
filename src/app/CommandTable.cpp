#include "app/CommandTable.h"

#include <array>
#include <cstring>

namespace qvor {
namespace {

using T = TextId;

// Field order: name, parent, caption, picture, separatorBefore, checkable, checkedAtStart,
// disabledAtStart, allowedWhileBusy, windowOperation.
constexpr std::array entries{
    MenuEntryDef{"mr3system", nullptr, T::MenuR3System},
    MenuEntryDef{"mconectar", "mr3system", T::Menu_mconectar, 1},
    MenuEntryDef{"mdesconectar", "mr3system", T::Menu_mdesconectar},
    MenuEntryDef{"msapsysinfo", "mr3system", T::Menu_msapsysinfo},
    MenuEntryDef{"msaplogon", "mr3system", T::Menu_msaplogon, 2, true, false, false, false, true},
    MenuEntryDef{"mopcoes", "mr3system", T::Menu_mopcoes, 3, true},
    MenuEntryDef{"msair", "mr3system", T::Menu_msair, 4, true},

    MenuEntryDef{"mfile", nullptr, T::Menu_mfile},
    MenuEntryDef{"mnewqtable", "mfile", T::Menu_mnewqtable, 5},
    MenuEntryDef{"mopenqtable", "mfile", T::Menu_mopenqtable, 6},
    MenuEntryDef{"msaveqtable", "mfile", T::Menu_msaveqtable, 7, true, false, false, true, false, "SaveQTable"},
    MenuEntryDef{"msaveasqtable", "mfile", T::Menu_msaveasqtable, 0, false, false, false, true, false, "SaveAsQTable"},
    MenuEntryDef{"mabrirtabelas", "mfile", T::Menu_mabrirtabelas, 8, true},
    MenuEntryDef{"mcloseqtable", "mfile", T::Menu_mcloseqtable, 0, true},

    MenuEntryDef{"mtable", nullptr, T::Menu_mtable},
    MenuEntryDef{"mntable", "mtable", T::Menu_mntable},
    MenuEntryDef{"mnewtable", "mntable", T::Menu_mnewtable},
    MenuEntryDef{"mnewfolder", "mntable", T::Menu_mnewfolder},
    MenuEntryDef{"mnewroot", "mntable", T::Menu_mnewroot},
    MenuEntryDef{"mcuttable", "mtable", T::Menu_mcuttable, 0, true, false, false, false, false, "CutTable"},
    MenuEntryDef{"mpastetable", "mtable", T::Menu_mpastetable, 0, false, false, false, true, false, "PasteTable"},
    MenuEntryDef{"mremovetable", "mtable", T::Menu_mremovetable, 0, true},
    MenuEntryDef{"mrename", "mtable", T::Menu_mrename, 0, false, false, false, false, false, "RenameFolder"},
    MenuEntryDef{"msinglesel", "mtable", T::Menu_msinglesel, 0, true, true, true, false, true},

    MenuEntryDef{"mfields", nullptr, T::Menu_mfields},
    MenuEntryDef{"mcopytomytable", "mfields", T::Menu_mcopytomytable, 9, false, false, false, false, false, "CopyListItem"},
    MenuEntryDef{"mprintfields", "mfields", T::Menu_mprintfields, 0, false, false, false, false, false, "PrintFields"},
    MenuEntryDef{"mviewfields", "mfields", T::Menu_mviewfields, 0, true},
    MenuEntryDef{"mviewfieldsdetail", "mviewfields", T::Menu_mviewfieldsdetail, 0, false, true, true, false, true},
    MenuEntryDef{"mviewfieldslist", "mviewfields", T::Menu_mviewfieldslist, 0, false, true, true, false, true},
    MenuEntryDef{"mfieldsgridlines", "mviewfields", T::Menu_mfieldsgridlines, 0, false, true, true, false, true},

    MenuEntryDef{"mmytable", nullptr, T::Menu_mmytable},
    MenuEntryDef{"mqpreview", "mmytable", T::Menu_mqpreview, 10, false, false, false, false, false, "UpdatePreview"},
    MenuEntryDef{"mprintfieldsmytable", "mmytable", T::Menu_mprintfieldsmytable, 0, false, false, false, false, false, "PrintFieldsMyTable"},
    MenuEntryDef{"mprintpreview", "mmytable", T::Menu_mprintpreview, 0, false, false, false, false, false, "PrintPreview"},
    MenuEntryDef{"mcloseqpreview", "mmytable", T::Menu_mcloseqpreview, 0, false, false, false, false, false, "ClosePreview"},
    MenuEntryDef{"mimportmytable", "mmytable", T::Menu_mimportmytable, 11, true, false, false, false, false, "ImportMyTable"},
    MenuEntryDef{"mopenmytable", "mmytable", T::Menu_mopenmytable, 12},
    MenuEntryDef{"mrows", "mmytable", T::Menu_mrows, 0, true, false, false, false, false, "rows"},
    MenuEntryDef{"mcloserows", "mmytable", T::Menu_mcloserows, 0, false, false, false, false, false, "CloseRows"},
    MenuEntryDef{"mmovedown", "mmytable", T::Menu_mmovedown, 13, true, false, false, false, false, "MoveDown"},
    MenuEntryDef{"mmoveup", "mmytable", T::Menu_mmoveup, 14, false, false, false, false, false, "MoveUp"},
    MenuEntryDef{"mremovefield", "mmytable", T::Menu_mremovefield, 15, false, false, false, false, false, "RemoveField"},
    MenuEntryDef{"mremoveallfields", "mmytable", T::Menu_mremoveallfields, 0, false, false, false, false, false, "RemoveAllFields"},

    MenuEntryDef{"moptions", nullptr, T::Menu_moptions},
    MenuEntryDef{"mshowoption", "moptions", T::Menu_mshowoption, 0, false, false, false, false, false, "ShowOption"},
    MenuEntryDef{"mprintoptions", "moptions", T::Menu_mprintoptions, 0, false, false, false, false, false, "PrintOptions"},
    MenuEntryDef{"mremoveoption", "moptions", T::Menu_mremoveoption, 0, true, false, false, false, false, "RemoveOption"},
    MenuEntryDef{"mremovealloptions", "moptions", T::Menu_mremovealloptions, 0, false, false, false, false, false, "RemoveAllOptions"},

    MenuEntryDef{"mver", nullptr, T::Menu_mver},
    MenuEntryDef{"mtoolbar", "mver", T::Menu_mtoolbar, 0, false, true, true, false, true},
    MenuEntryDef{"mstatusbar", "mver", T::Menu_mstatusbar, 0, false, true, true, false, true},

    MenuEntryDef{"mjanela", nullptr, T::Menu_mjanela},
    MenuEntryDef{"mvertical", "mjanela", T::Menu_mvertical, 0, false, false, false, false, true},
    MenuEntryDef{"mhorizontal", "mjanela", T::Menu_mhorizontal, 0, false, false, false, false, true},
    MenuEntryDef{"mtabular", "mjanela", T::Menu_mtabular, 0, false, false, false, false, true},

    MenuEntryDef{"mauxilio", nullptr, T::Menu_mauxilio},
    MenuEntryDef{"mauxiliogeral", "mauxilio", T::Menu_mauxiliogeral, 16, false, false, false, false, true},
    MenuEntryDef{"msobrezeq", "mauxilio", T::Menu_msobrezeq, 0, false, false, false, false, true},
    MenuEntryDef{"mzeq", "mauxilio", T::Menu_mzeq},
    MenuEntryDef{"mzeqhp", "mzeq", T::Menu_mzeqhp, 0, false, false, false, false, true},
    MenuEntryDef{"msupport", "mzeq", T::Menu_msupport, 0, false, false, false, false, true},
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
