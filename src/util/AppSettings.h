#pragma once
// The program's settings, process-wide for the whole run: read once at start-up from "Qvor.ini",
// changed in memory by commands and windows, written once when the main window closes.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace qvor {

struct AppSettings {
    QString sSapLogon;
    QString FolderTable;
    QString TableFile;
    QString SGlobal;
    bool ChOpt = false;
    bool OptEN = false;
    bool OptPT = false;
    bool OptCT = false;
    bool Tool = false;
    bool Status = false;
    QString listSeparator = QStringLiteral(";");   // file key "z": between values of an imported row
    int16_t fzeqTop = 0;
    int16_t fzeqLeft = 0;
    int16_t fzeqHeight = 0;
    int16_t fzeqWidth = 0;
    int16_t SAT = 0;
    QStringList ssAddTab;   // entries 1..SAT are ssAddTab[0..SAT-1]
    QString FileQvor;

    static constexpr int MaxTreeEntries = 999;

    // English test and Portuguese test, used by every wording choice of the program.
    bool englishTest() const { return OptEN || OptCT; }
    bool portugueseTest() const { return OptPT; }
};

// The one instance of the running program (tests reset it with `appSettings() = {}`).
AppSettings& appSettings();

} // namespace qvor
