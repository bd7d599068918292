#include "util/CommandRegistry.h"

#include <QAction>

namespace qvor {

void CommandRegistry::add(QAction* action)
{
    if (action && !action->objectName().isEmpty())
        actions_.insert(action->objectName(), action);
}

QAction* CommandRegistry::action(const QString& name) const
{
    return actions_.value(name).data();
}

QStringList CommandRegistry::names() const
{
    QStringList list;
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it)
        if (it.value()) list << it.key();
    list.sort();
    return list;
}

void CommandRegistry::setEnabled(const QString& name, bool enabled)
{
    if (QAction* a = action(name)) a->setEnabled(enabled);
}

void CommandRegistry::setChecked(const QString& name, bool checked)
{
    if (QAction* a = action(name)) {
        a->setCheckable(true);
        a->setChecked(checked);
    }
}

bool CommandRegistry::isEnabled(const QString& name) const
{
    const QAction* a = action(name);
    return a && a->isEnabled();
}

bool CommandRegistry::isChecked(const QString& name) const
{
    const QAction* a = action(name);
    return a && a->isChecked();
}

void CommandRegistry::clear() { actions_.clear(); }

CommandRegistry& commands()
{
    static CommandRegistry registry;
    return registry;
}

} // namespace qvor
