#include "querywindow/SharedTableTree.h"

#include "util/AppSettings.h"

namespace qvor {

void SharedTableTree::publish(const QStringList& pathList, const QObject* from)
{
    AppSettings& s = appSettings();
    s.ssAddTab = pathList.mid(0, AppSettings::MaxTreeEntries);
    s.SAT = static_cast<int16_t>(s.ssAddTab.size());
    Q_EMIT changed(s.ssAddTab, from);
}

SharedTableTree& sharedTableTree()
{
    static SharedTableTree tree;
    return tree;
}

} // namespace qvor
