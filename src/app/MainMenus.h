#pragma once
// Builds the main window's menu bar and toolbar from the command table: one QAction per menu
// entry (objectName = the entry's name, registered in the command registry) and separate
// toolbar actions keyed by the button keys, so a button works while its menu entry is
// unavailable. Both kinds hand the entry's name to the same runner.
#include <QHash>
#include <QString>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace qvor {

class MainMenus {
public:
    using Runner = std::function<void(const QString& entry)>;

    MainMenus(QMainWindow* window, Runner run);

    QMenu* menu(const QString& name) const { return menus_.value(name); }
    QToolBar* toolbar() const { return toolbar_; }
    QAction* toolbarButton(const QString& key) const { return buttons_.value(key); }

    // Captions of the entries and hints of the buttons in the current language.
    void applyTexts();

private:
    void buildMenus(QMainWindow* window);
    void buildToolbar(QMainWindow* window);

    Runner run_;
    QHash<QString, QMenu*> menus_;
    QHash<QString, QAction*> buttons_;
    QToolBar* toolbar_ = nullptr;
};

} // namespace qvor
