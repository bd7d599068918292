#pragma once
// The main window's message panel and connection panel as process-wide values: the Parts that
// report results and connection states write here, the main window shows them, tests read them.
#include <QObject>
#include <QString>

namespace qvor {

enum class ConnectionPicture { Disconnected, Connected, Busy };

class StatusPanels : public QObject {
    Q_OBJECT
public:
    static StatusPanels& instance();

    const QString& message() const { return message_; }
    void setMessage(const QString& text);

    ConnectionPicture connectionPicture() const { return picture_; }
    const QString& connectionText() const { return connectionText_; }
    const QString& connectionToolTip() const { return connectionToolTip_; }
    void setConnection(ConnectionPicture picture, const QString& text, const QString& toolTip);
    void setConnectionPicture(ConnectionPicture picture);

Q_SIGNALS:
    void messageChanged(const QString& text);
    void connectionChanged();

private:
    QString message_;
    ConnectionPicture picture_ = ConnectionPicture::Disconnected;
    QString connectionText_;
    QString connectionToolTip_;
};

inline StatusPanels& panels() { return StatusPanels::instance(); }

} // namespace qvor
