#pragma once
// The progress strip at the right end of the main window's toolbar: a bar that fills from the
// left with the percentage in its middle, and a caption box naming the activity. It is drawn from
// the process-wide progress value on every tick of the main window's 30 ms timer and closes
// itself on the first tick after the value passes 1.0.
#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QRect>
#include <functional>

class QFrame;
class QLabel;
class QTimer;
class QToolButton;
class QWidget;

namespace qvor {

class ProgressTextBox;

class ProgressStrip : public QObject {
    Q_OBJECT
public:
    // Places within the toolbar, in twips.
    static constexpr QRect BarTwips{7200, 60, 2400, 240};
    static constexpr QRect CaptionTwips{9675, 60, 1215, 240};
    static constexpr QRect CancelTwips{10950, 30, 900, 300};
    static constexpr int FilledHeightTwips = 240;
    static constexpr int FilledResetTopTwips = -15;
    static constexpr int TimerIntervalMs = 30;
    static inline const QColor ImportColour{128, 128, 255};

    // The strip's widgets become children of the toolbar; the timer stays the main window's.
    ProgressStrip(QWidget* toolbar, QTimer* timer);
    ~ProgressStrip() override;

    // The strip of the main window, for the operations that run it; nullptr when there is none.
    static ProgressStrip* current();

    // Tells ProgressEnd which connection picture to restore; without it: disconnected.
    void setConnectedTest(std::function<bool()> connected) { connected_ = std::move(connected); }

    void ProgressStart(const QString& activity);
    void ProgressStep(int percent);
    void ProgressEnd();
    void ProgressReset();
    void ProgressRedraw();

    // The timer tick: redraw, then reset once the value is past 1.0.
    void tick();

    QTimer* timer() const;
    QFrame* bar() const { return bar_; }
    ProgressTextBox* barFace() const { return face_; }
    ProgressTextBox* filledPart() const { return filled_; }
    QLabel* captionBox() const { return caption_; }
    bool shown() const;

    // The Cancel button beside the strip: shown while something can be cancelled (a preview has
    // no strip, but its button shows all the same).
    QToolButton* cancelButton() const { return cancel_; }
    void setCancelShown(bool shown);
    void applyTexts();

Q_SIGNALS:
    // The workspace's background follows the strip: QPalette::Base while it runs, QPalette::Dark
    // (the application-workspace colour) after it.
    void workspaceBackgroundChanged(QPalette::ColorRole role);
    void cancelRequested();

private:
    void placeWidgets();
    void setShown(bool shown);
    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;

    QWidget* toolbar_;
    QPointer<QTimer> timer_;
    QFrame* bar_;
    ProgressTextBox* face_;
    ProgressTextBox* filled_;
    QLabel* caption_;
    QToolButton* cancel_;
    std::function<bool()> connected_;
    bool waitShown_ = false;
};

} // namespace qvor
