#pragma once
// The main window's status bar: the message panel, the connection panel and the clock panel.
// The first two mirror the process-wide panel values; the clock keeps itself current.
#include <QStatusBar>

class QTimer;

namespace qvor {

class PanelLabel;

class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int ConnectionPanelTwips = 1680;
    static constexpr int ClockPanelTwips = 1000;  // with the connection panel: the 2680 left free

    explicit MainStatusBar(QWidget* parent = nullptr);

    PanelLabel* messagePanel() const { return message_; }
    PanelLabel* connectionPanel() const { return connection_; }
    PanelLabel* clockPanel() const { return clock_; }

    void setMessagePanelWidth(int pixels);
    // Today's date in the long format, taken once when the main window loads.
    void setClockToolTipToday();

Q_SIGNALS:
    void connectionPanelDoubleClicked();
    void rightButtonReleased(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showConnection();
    void tick();

    PanelLabel* message_;
    PanelLabel* connection_;
    PanelLabel* clock_;
    QTimer* clockTimer_;
};

} // namespace qvor
