#pragma once
// The main window's position and size rules, in twips: saved values of 0 are never applied,
// values that do not fit 16 bits are not saved, and the message panel takes what the other
// two panels leave of the window's width.
#include "util/AppSettings.h"

#include <QList>
#include <QRect>
#include <optional>

namespace qvor {

struct TwipsGeometry {
    double top = 0;
    double left = 0;
    double height = 0;
    double width = 0;
};

// The geometry after the saved settings: each saved value that is not 0 replaces the current one.
TwipsGeometry restoredGeometry(const TwipsGeometry& current, const AppSettings& settings);

// Rounds each value to a whole number and stores it; a value outside the 16-bit signed range
// leaves the previous setting.
void storeGeometry(AppSettings& settings, const TwipsGeometry& geometry);

// The message panel's width for an outer window width, or nothing when the window is too narrow.
std::optional<int> messagePanelTwips(int outerWidthTwips);

// The window's outer frame, in pixels, moved onto the nearest screen when too little of its title
// strip (the top titleHeight pixels, at least 8) to grab it lies on any screen's available area;
// a frame larger than that screen keeps its size and its top left corner on the screen.
QRect keepOnScreen(const QRect& frame, int titleHeight, const QList<QRect>& screens);

constexpr int StatusPanelsReserveTwips = 2680;
constexpr int DesignInnerWidthTwips = 11295;
constexpr int DesignInnerHeightTwips = 6840;

} // namespace qvor
