#pragma once
// The program's start: the start-up picture, the settings file (made when missing, then read),
// the separator default and the version stamp, then the main window.
#include <QString>
#include <memory>

namespace qvor {

class MainWindow;

class StartUp {
public:
    // The version text: major, minor and revision joined by ".".
    static QString versionText();

    // Runs the start-up sequence with the settings read from readPath (written at the end to
    // writePath) and returns the shown main window. Every failure is shown and start-up goes on
    // with the next step.
    static std::unique_ptr<MainWindow> run(const QString& readPath, const QString& writePath);
    static std::unique_ptr<MainWindow> run(const QString& settingsPath) { return run(settingsPath, settingsPath); }
};

} // namespace qvor
