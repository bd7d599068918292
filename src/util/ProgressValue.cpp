#include "util/ProgressValue.h"

#include "util/Rounding.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

namespace qvor {

namespace {

std::function<void()>& letEventsRunHook()
{
    static std::function<void()> hook;
    return hook;
}

bool& stepRunning()
{
    static bool running = false;
    return running;
}

void letEventsRun()
{
    if (letEventsRunHook()) {
        letEventsRunHook()();
        return;
    }
    // Only what is pending now: the call never waits for new events, so a step stays bounded.
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace

float& ProgressValue::current()
{
    static float value = 0.0f;
    return value;
}

float ProgressValue::advanced(float value, int percent)
{
    for (int i = 0; i < 100; ++i)
        value = static_cast<float>(static_cast<double>(value) + (1.0 / 100.0) * percent / 100.0);
    return value;
}

void ProgressValue::step(int percent)
{
    if (stepRunning()) {
        current() = advanced(current(), percent);
        return;
    }
    stepRunning() = true;
    for (int i = 0; i < 100; ++i) {
        float& value = current();
        value = static_cast<float>(static_cast<double>(value) + (1.0 / 100.0) * percent / 100.0);
        letEventsRun();
    }
    stepRunning() = false;
}

void ProgressValue::setLetEventsRun(std::function<void()> hook) { letEventsRunHook() = std::move(hook); }

int ProgressValue::percentShown(float value) { return roundHalfEven(static_cast<double>(value) * 100.0); }

QString ProgressValue::percentText(float value)
{
    return QString::number(percentShown(value)) + QStringLiteral(" %");
}

int ProgressValue::filledWidth(float value, int innerWidth)
{
    return std::max(0, roundHalfEven(static_cast<double>(value) * innerWidth));
}

int ProgressValue::centredOffset(int space, int extent)
{
    return roundHalfEven(static_cast<double>(space - extent) / 2.0);
}

} // namespace qvor
