// The progress value's arithmetic: single-precision steps, the percentage text and its centring.
#include "util/ProgressValue.h"

#include <QtTest>

using namespace qvor;

class ProgressArithmetic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ProgressValue::setLetEventsRun({}); }

    void percentText_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("12.5 goes to the even 12") << 0.125f << "12 %";
        QTest::newRow("13.5 goes to the even 14") << 0.135f << "14 %";
        QTest::newRow("all") << 1.0f << "100 %";
        QTest::newRow("finishing") << ProgressValue::FinishedValue << "101 %";
    }
    void percentText()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(ProgressValue::percentText(value), text);
        QCOMPARE(ProgressValue::finished(value), value > 1.0f);   // exactly 1.0 is not finished
    }

    void stepsAccumulateInSinglePrecision()
    {
        // Stored as float after each increment, a whole 100 % stays just below 1.0 (a double sum
        // would pass it), so a run never closes its strip before ProgressEnd.
        float value = 0.0f;
        for (int i = 0; i < 10; ++i) value = ProgressValue::advanced(value, 10);
        QVERIFY(!ProgressValue::finished(value) && value > 0.9999f);
        QVERIFY(!ProgressValue::finished(ProgressValue::advanced(0.0f, 100)));
        // The callers' "up to 70 %, then up to 99 %".
        value = ProgressValue::advanced(0.0f, 70);
        value = ProgressValue::advanced(value, qRound((0.99 - value) * 100));
        QCOMPARE(ProgressValue::percentShown(value), 99);
    }

    void stepLetsEventsRunOncePerIncrementWithoutNesting()
    {
        int rounds = 0;
        ProgressValue::setLetEventsRun([&] {
            // A handler that steps itself (a click during an import) only adds.
            if (++rounds == 50) ProgressValue::step(10);
        });
        ProgressValue::current() = 0.0f;
        ProgressValue::step(20);
        QCOMPARE(rounds, 100);
        QCOMPARE(ProgressValue::percentShown(ProgressValue::current()), 30);

        ProgressValue::setLetEventsRun({});
        bool ran = false;
        QTimer::singleShot(0, this, [&] { ran = true; });
        ProgressValue::step(1);
        QVERIFY(ran);
    }

    void centringAndFilledWidth()
    {
        QCOMPARE(ProgressValue::centredOffset(158, 30), 64);
        QCOMPARE(ProgressValue::centredOffset(100, 31), 34);   // 34.5 -> even
        QCOMPARE(ProgressValue::centredOffset(100, 33), 34);   // 33.5 -> even
        QCOMPARE(ProgressValue::centredOffset(10, 21), -6);
        QCOMPARE(ProgressValue::filledWidth(0.125f, 100), 12);
        QCOMPARE(ProgressValue::filledWidth(0.135f, 100), 14);
        QCOMPARE(ProgressValue::filledWidth(-0.2f, 100), 0);
    }
};

QTEST_GUILESS_MAIN(ProgressArithmetic)
#include "progress_arithmetic.moc"
