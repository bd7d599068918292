#include "app/MainStatusBar.h"

#include "app/PanelLabel.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"
#include "util/widgets/Pictures.h"

#include <QDate>
#include <QLocale>
#include <QMouseEvent>
#include <QTime>
#include <QTimer>

namespace qvor {

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent), message_(new PanelLabel(this)), connection_(new PanelLabel(this)),
      clock_(new PanelLabel(this)), clockTimer_(new QTimer(this))
{
    setSizeGripEnabled(false);
    message_->setObjectName(QStringLiteral("messagePanel"));
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    message_->setMinimumWidth(0);
    connection_->setObjectName(QStringLiteral("conectar"));
    clock_->setObjectName(QStringLiteral("clockPanel"));
    connection_->setFixedWidth(twipsToPixels(ConnectionPanelTwips, logicalDpiX()));
    clock_->setFixedWidth(twipsToPixels(ClockPanelTwips, logicalDpiX()));
    clock_->setAlignment(Qt::AlignCenter);
    addWidget(message_, 1);
    addPermanentWidget(connection_);
    addPermanentWidget(clock_);

    for (QWidget* w : {static_cast<QWidget*>(message_), static_cast<QWidget*>(connection_),
                       static_cast<QWidget*>(clock_)})
        w->installEventFilter(this);

    message_->setText(panels().message());
    connect(&panels(), &StatusPanels::messageChanged, message_, &QLabel::setText);
    connect(&panels(), &StatusPanels::connectionChanged, this, &MainStatusBar::showConnection);
    showConnection();

    connect(clockTimer_, &QTimer::timeout, this, &MainStatusBar::tick);
    clockTimer_->start(1000);
    tick();
}

void MainStatusBar::showConnection()
{
    connection_->setPicture(connectionPicture(panels().connectionPicture()));
    connection_->setText(panels().connectionText());
    connection_->setToolTip(panels().connectionToolTip());
}

void MainStatusBar::tick()
{
    const QString now = QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat);
    if (clock_->text() != now) clock_->setText(now);
}

void MainStatusBar::setClockToolTipToday()
{
    clock_->setToolTip(QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat));
}

void MainStatusBar::setMessagePanelWidth(int pixels)
{
    // Only an upper bound: a fixed width would keep the window from becoming narrower again.
    message_->setMaximumWidth(pixels);
}

bool MainStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == connection_) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Q_EMIT connectionPanelDoubleClicked();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            Q_EMIT rightButtonReleased(me->globalPosition().toPoint());
            return true;
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

void MainStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) Q_EMIT rightButtonReleased(event->globalPosition().toPoint());
    QStatusBar::mouseReleaseEvent(event);
}

} // namespace qvor
