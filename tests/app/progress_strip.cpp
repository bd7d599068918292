// The progress strip on the main window's toolbar through one import run: shown while it lasts,
// drawn from the process-wide value on the timer, closed on the first tick after the value
// passes 1.0, and ended by the main window's close.
#include "FrameFixture.h"

#include "app/Workspace.h"
#include "util/ProgressValue.h"
#include "util/widgets/ProgressStrip.h"
#include "util/widgets/ProgressTextBox.h"

#include <QFrame>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace qvor;
using namespace qvor::test;

class ProgressStripTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void importRun();
    void closingTheMainWindowEndsTheRun();
};

void ProgressStripTest::importRun()
{
    FrameFixture fx;
    appSettings().Tool = true;
    auto w = fx.start();
    auto* strip = w->findChild<ProgressStrip*>();
    QVERIFY(strip && !strip->shown() && !strip->timer()->isActive());
    QCOMPARE(strip->bar()->geometry(), QRect(480, 4, 160, 16));
    QCOMPARE(strip->captionBox()->geometry(), QRect(645, 4, 81, 16));
    const auto background = [&] { return w->workspace()->background().color(); };

    strip->ProgressStart(QStringLiteral("Import"));
    QVERIFY(strip->shown() && !strip->captionBox()->isHidden());
    QCOMPARE(strip->captionBox()->text(), QStringLiteral("Downloading..."));
    QCOMPARE(strip->filledPart()->background(), QColor(128, 128, 255));
    QCOMPARE(strip->timer()->interval(), 30);
    QCOMPARE(panels().connectionPicture(), ConnectionPicture::Busy);
    QCOMPARE(fx.services.waitDepth, 1);
    QCOMPARE(background(), w->workspace()->palette().color(QPalette::Base));

    ProgressTextBox* face = strip->barFace();
    ProgressTextBox* filled = strip->filledPart();
    ProgressValue::current() = 0.125f;
    strip->tick();
    QCOMPARE(face->text(), QStringLiteral("12 %"));
    QCOMPARE(filled->width(), ProgressValue::filledWidth(0.125f, face->width()));
    // The filled part writes the same text on the same place of the screen.
    QCOMPARE(filled->mapTo(face, filled->textPosition()), face->textPosition());

    ProgressValue::current() = 1.0f;
    strip->tick();
    QVERIFY(strip->shown());

    strip->ProgressEnd();
    QVERIFY(!strip->shown());
    QCOMPARE(ProgressValue::current(), ProgressValue::FinishedValue);
    QCOMPARE(fx.services.waitDepth, 0);
    QCOMPARE(panels().connectionPicture(), ConnectionPicture::Disconnected);
    QCOMPARE(background(), w->workspace()->palette().color(QPalette::Dark));
    QTRY_VERIFY(!strip->timer()->isActive());   // the next tick resets
    QCOMPARE(ProgressValue::current(), 0.0f);
    QCOMPARE(filled->width(), 1);

    // Another activity keeps caption and colour; the connected picture comes back.
    strip->setConnectedTest([] { return true; });
    filled->setBackground(Qt::green);
    strip->ProgressStart(QStringLiteral("Export"));
    QCOMPARE(strip->captionBox()->text(), QStringLiteral("Downloading..."));
    QCOMPARE(filled->background(), QColor(Qt::green));
    strip->ProgressEnd();
    QCOMPARE(panels().connectionPicture(), ConnectionPicture::Connected);
    strip->ProgressEnd();   // an end without a start leaves the pointer alone
    QCOMPARE(fx.services.waitDepth, 0);
}

void ProgressStripTest::closingTheMainWindowEndsTheRun()
{
    FrameFixture fx;
    auto w = fx.start();   // toolbar hidden: the run goes the same way, unseen
    auto* strip = w->findChild<ProgressStrip*>();
    strip->ProgressStart(QStringLiteral("Import"));
    QVERIFY(strip->shown() && !strip->bar()->isVisible());
    QVERIFY(w->close());
    QCOMPARE(fx.services.waitDepth, 0);
    QVERIFY(!strip->shown());
}

QTEST_MAIN(ProgressStripTest)
#include "progress_strip.moc"
