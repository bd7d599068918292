#pragma once
// The process-wide progress value that long operations advance and the progress strip shows,
// with the arithmetic of the strip kept free of widgets: single-precision steps, the percentage
// text and the centring of that text.
#include <QString>
#include <functional>

namespace qvor {

class ProgressValue {
public:
    // Values above 1.0 mean "finished": the next timer tick closes the strip.
    static constexpr float FinishedValue = 1.01f;

    // The one value of the process (0 = nothing done, 1 = all done). Operations may add to it.
    static float& current();

    // One step of n percent: 100 increments of (1/100) x n / 100, each stored as single
    // precision, so the value carries the same rounding as the program's own steps.
    static float advanced(float value, int percent);

    // Advances current() by n percent, letting pending events run after every increment. A step
    // that starts while another one is letting events run only adds: events are never processed
    // from inside that nested call.
    static void step(int percent);
    // The events-running part of step(); tests replace it to count or to nest calls. An empty
    // function restores the default (pending events of the event loop, not waiting for more).
    static void setLetEventsRun(std::function<void()> letEventsRun);

    static bool finished(float value) { return value > 1.0f; }

    // value x 100 rounded to a whole number, halves to the even neighbour.
    static int percentShown(float value);
    // The percentage as the strip writes it: "12 %".
    static QString percentText(float value);
    // The filled part's width inside a bar of the given inner width (never negative).
    static int filledWidth(float value, int innerWidth);
    // Where text of the given extent starts when centred in the given space, rounded half to even.
    static int centredOffset(int space, int extent);
};

} // namespace qvor
