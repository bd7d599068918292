#include "util/DocumentMenuStates.h"

#include "util/CommandRegistry.h"
#include "util/StatusPanels.h"

#include <QString>

namespace qvor {

void documentWindowActivated()
{
    for (const char* name : {"msaveqtable", "msaveasqtable", "mcloseqtable", "mtable", "mfields", "mmytable", "moptions"})
        commands().setEnabled(QString::fromLatin1(name), true);
}

void documentWindowUnloaded(int counterBefore)
{
    if (counterBefore != 0 && counterBefore != 1) return;
    commands().setEnabled(QStringLiteral("msaveqtable"), false);
    commands().setEnabled(QStringLiteral("msaveasqtable"), false);
    panels().setMessage(QString());
}

} // namespace qvor
