#include "app/MainMenus.h"

#include "app/CommandTable.h"
#include "util/CommandRegistry.h"
#include "util/widgets/Pictures.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace qvor {

MainMenus::MainMenus(QMainWindow* window, Runner run) : run_(std::move(run))
{
    buildMenus(window);
    buildToolbar(window);
    applyTexts();
}

void MainMenus::buildMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    for (const MenuEntryDef& def : menuEntries()) {
        const QString name = QLatin1String(def.name);
        QMenu* parent = def.parent ? menus_.value(QLatin1String(def.parent)) : nullptr;
        if (parent && def.separatorBefore) parent->addSeparator();

        QAction* action = nullptr;
        if (isMenu(name)) {
            auto* m = new QMenu(window);
            m->setObjectName(name);
            if (parent) parent->addMenu(m);
            else bar->addMenu(m);
            menus_.insert(name, m);
            action = m->menuAction();
        } else {
            action = new QAction(window);
            if (parent) parent->addAction(action);
            // Ticks follow the commands' rules, not Qt's own toggling: the runner sets them.
            QObject::connect(action, &QAction::triggered, window, [this, name, action](bool) {
                if (action->isCheckable()) action->setChecked(!action->isChecked());
                run_(name);
            });
        }
        action->setObjectName(name);
        if (def.picture > 0) action->setIcon(menuPicture(def.picture));
        if (def.checkable) {
            action->setCheckable(true);
            action->setChecked(def.checkedAtStart);
        }
        action->setEnabled(!def.disabledAtStart);
        commands().add(action);
    }
}

void MainMenus::buildToolbar(QMainWindow* window)
{
    toolbar_ = window->addToolBar(QString());
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->toggleViewAction()->setVisible(false);
    for (const ToolbarButtonDef& def : toolbarPositions()) {
        if (!def.key) {
            toolbar_->addSeparator();
            continue;
        }
        auto* action = new QAction(toolbarPicture(def.picture), QString(), toolbar_);
        const QString key = QLatin1String(def.key);
        const QString entry = QLatin1String(def.entry);
        action->setObjectName(key);
        QObject::connect(action, &QAction::triggered, window, [this, entry] { run_(entry); });
        toolbar_->addAction(action);
        buttons_.insert(key, action);
    }
}

void MainMenus::applyTexts()
{
    for (const MenuEntryDef& def : menuEntries())
        if (QAction* a = commands().action(QLatin1String(def.name))) a->setText(tx(def.caption));
    for (const ToolbarButtonDef& def : toolbarPositions()) {
        if (!def.key) continue;
        if (QAction* a = buttons_.value(QLatin1String(def.key))) {
            a->setToolTip(tx(def.hint));
            a->setText(tx(def.hint));
        }
    }
}

} // namespace qvor
