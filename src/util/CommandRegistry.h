#pragma once
// Every command's QAction, found by the menu entry's name ("mconectar", "mpastetable", ...).
// The main window registers its actions here; query windows and the SAP layer change the
// available and ticked states through it without knowing the main window.
#include <QHash>
#include <QPointer>
#include <QString>

class QAction;

namespace qvor {

class CommandRegistry {
public:
    // Registers the action under its objectName; a later action of the same name replaces it.
    void add(QAction* action);
    QAction* action(const QString& name) const;   // nullptr when unknown
    QStringList names() const;

    // Unknown names are ignored, so a caller never depends on the window being built.
    void setEnabled(const QString& name, bool enabled);
    void setChecked(const QString& name, bool checked);
    bool isEnabled(const QString& name) const;
    bool isChecked(const QString& name) const;

    void clear();

private:
    QHash<QString, QPointer<QAction>> actions_;
};

CommandRegistry& commands();

} // namespace qvor
