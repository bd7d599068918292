#pragma once
// The query windows of the program: 20 numbered slots, each with its window, caption and changed
// flag, and the window counter naming the slot of the newest window. Beside it live the document
// values that every query window shares (ChRow, sRows, ...), as the file of a query table holds them.
#include "tableaccess/QTableDocument.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

namespace qvor {

class WindowRegistry {
public:
    static constexpr int SlotCount = 20;

    struct Slot {
        QPointer<QWidget> window;
        QString caption;
        bool changed = false;
    };

    int counter() const { return counter_; }
    void setCounter(int counter) { counter_ = counter; }

    // NewQTable's first step: the counter grows by one and wraps from 20 back to 1.
    int advanceCounter();
    // The unload of a window: one less, never below 0. Gives the counter before.
    int decreaseCounter();

    // Slots are numbered 1..20; other numbers give an empty slot that is never stored.
    const Slot& slot(int number) const;
    Slot& slot(int number);

    // The first slot whose caption equals caption; 0 when there is none.
    int slotOfCaption(const QString& caption) const;
    // The slot that holds this window; 0 when there is none.
    int slotOfWindow(const QWidget* window) const;

    // The changed flag of the window with this caption (its first slot); unknown captions are ignored.
    void setChanged(const QString& caption, bool changed);
    bool changed(const QString& caption) const;

    void clear();

private:
    std::array<Slot, SlotCount> slots_{};
    Slot none_{};
    int counter_ = 0;
};

WindowRegistry& windowRegistry();

// The query-table values shared by all windows: MyTableF, ChSsl, ChRow and sRows are read and
// written here; the numbered lists travel through MyTableBuffer and OptionsBuffer.
QTableDocument& documentValues();

// MyTableBytes: the sum of My Table's lengths, set by every My Table status update.
int16_t& myTableBytes();

} // namespace qvor
