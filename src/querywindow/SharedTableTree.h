#pragma once
// The table tree is one for the whole program: every query window shows it. The path list in
// the settings always holds the whole tree; a window that changes the tree's structure publishes
// its new path list here, and every other window follows it.
#include <QObject>
#include <QStringList>

namespace qvor {

class SharedTableTree : public QObject {
    Q_OBJECT
public:
    // Stores the path list (capped at 999 entries) and tells the other windows.
    void publish(const QStringList& pathList, const QObject* from);

Q_SIGNALS:
    void changed(const QStringList& pathList, const QObject* from);
};

SharedTableTree& sharedTableTree();

} // namespace qvor
