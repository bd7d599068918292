#include "util/StatusPanels.h"

namespace qvor {

StatusPanels& StatusPanels::instance()
{
    static StatusPanels panels;
    return panels;
}

void StatusPanels::setMessage(const QString& text)
{
    message_ = text;
    Q_EMIT messageChanged(text);
}

void StatusPanels::setConnection(ConnectionPicture picture, const QString& text, const QString& toolTip)
{
    picture_ = picture;
    connectionText_ = text;
    connectionToolTip_ = toolTip;
    Q_EMIT connectionChanged();
}

void StatusPanels::setConnectionPicture(ConnectionPicture picture)
{
    picture_ = picture;
    Q_EMIT connectionChanged();
}

} // namespace qvor
