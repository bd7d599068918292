#include "util/widgets/ProgressStrip.h"

#include "util/ProgressValue.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/ProgressTextBox.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace qvor {

namespace {

QPointer<ProgressStrip>& currentStrip()
{
    static QPointer<ProgressStrip> strip;
    return strip;
}

const QString ImportActivity = QStringLiteral("Import");

} // namespace

ProgressStrip::ProgressStrip(QWidget* toolbar, QTimer* timer)
    : QObject(toolbar), toolbar_(toolbar), timer_(timer), bar_(new QFrame(toolbar)),
      face_(new ProgressTextBox(bar_)), filled_(new ProgressTextBox(face_)), caption_(new QLabel(toolbar)),
      cancel_(new QToolButton(toolbar))
{
    setObjectName(QStringLiteral("progressStrip"));
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar_->setLineWidth(1);
    filled_->setObjectName(QStringLiteral("progressFilled"));
    filled_->setBackground(ImportColour);
    caption_->setObjectName(QStringLiteral("progressCaption"));
    caption_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    caption_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cancel_->setObjectName(QStringLiteral("progressCancel"));
    cancel_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    cancel_->setFocusPolicy(Qt::NoFocus);
    cancel_->hide();
    connect(cancel_, &QToolButton::clicked, this, &ProgressStrip::cancelRequested);
    applyTexts();
    if (timer_) {
        timer_->setInterval(TimerIntervalMs);
        connect(timer_, &QTimer::timeout, this, &ProgressStrip::tick);
    }
    placeWidgets();
    setShown(false);
    currentStrip() = this;
}

ProgressStrip::~ProgressStrip()
{
    if (waitShown_) ui().endWait();
}

ProgressStrip* ProgressStrip::current() { return currentStrip(); }

QTimer* ProgressStrip::timer() const { return timer_.data(); }

int ProgressStrip::toPixelsX(int twips) const { return twipsToPixels(twips, toolbar_->logicalDpiX()); }

int ProgressStrip::toPixelsY(int twips) const { return twipsToPixels(twips, toolbar_->logicalDpiY()); }

void ProgressStrip::placeWidgets()
{
    const auto place = [this](QWidget* w, const QRect& twips) {
        w->setGeometry(toPixelsX(twips.x()), toPixelsY(twips.y()), toPixelsX(twips.width()),
                       toPixelsY(twips.height()));
    };
    place(bar_, BarTwips);
    place(caption_, CaptionTwips);
    place(cancel_, CancelTwips);
    // The face is the bar's inner area, so the filled part is clipped to it.
    face_->setGeometry(bar_->contentsRect());
    filled_->setGeometry(0, filled_->y(), filled_->width(), toPixelsY(FilledHeightTwips));
}

void ProgressStrip::setShown(bool shown)
{
    bar_->setVisible(shown);
    filled_->setVisible(shown);
    caption_->setVisible(shown);
    if (shown) {
        bar_->raise();
        caption_->raise();
    }
}

bool ProgressStrip::shown() const { return !bar_->isHidden(); }

void ProgressStrip::setCancelShown(bool shown)
{
    placeWidgets();
    cancel_->setVisible(shown);
    if (shown) cancel_->raise();
}

void ProgressStrip::applyTexts()
{
    cancel_->setText(tx(TextId::Menu_mcancel));
    cancel_->setToolTip(tx(TextId::Hint_Cancel));
}

void ProgressStrip::ProgressStart(const QString& activity)
{
    Q_EMIT workspaceBackgroundChanged(QPalette::Base);
    placeWidgets();
    setShown(true);
    if (!waitShown_) {
        ui().beginWait();
        waitShown_ = true;
    }
    ProgressValue::current() = 0.0f;
    if (timer_) {
        timer_->setInterval(TimerIntervalMs);
        timer_->start();
    }
    panels().setConnectionPicture(ConnectionPicture::Busy);
    if (activity == ImportActivity) {
        filled_->setBackground(ImportColour);
        caption_->setText(textEn(TextId::ProgressImportCaption));
    }
}

void ProgressStrip::ProgressStep(int percent) { ProgressValue::step(percent); }

void ProgressStrip::ProgressEnd()
{
    ProgressValue::current() = ProgressValue::FinishedValue;
    if (waitShown_) {
        waitShown_ = false;
        ui().endWait();
    }
    Q_EMIT workspaceBackgroundChanged(QPalette::Dark);
    setShown(false);
    const bool connected = connected_ && connected_();
    panels().setConnectionPicture(connected ? ConnectionPicture::Connected : ConnectionPicture::Disconnected);
}

void ProgressStrip::ProgressReset()
{
    setShown(false);
    face_->clearText();
    filled_->clearText();
    if (timer_) timer_->stop();
    ProgressValue::current() = 0.0f;
    filled_->setGeometry(0, toPixelsY(FilledResetTopTwips), 1, toPixelsY(FilledHeightTwips));
}

void ProgressStrip::ProgressRedraw()
{
    const float value = ProgressValue::current();
    const QSize inner = face_->size();
    filled_->resize(ProgressValue::filledWidth(value, inner.width()), filled_->height());

    const QString text = ProgressValue::percentText(value);
    const QFontMetrics metrics(face_->font());
    const QPoint at(ProgressValue::centredOffset(inner.width(), metrics.horizontalAdvance(text)),
                    ProgressValue::centredOffset(inner.height(), metrics.height()));
    face_->setText(text, at);
    // The filled part sits in the same inner area, so its text lands on the same place on screen.
    filled_->setText(text, at - filled_->pos());
}

void ProgressStrip::tick()
{
    ProgressRedraw();
    if (ProgressValue::finished(ProgressValue::current())) ProgressReset();
}

} // namespace qvor
