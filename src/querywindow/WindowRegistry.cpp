#include "querywindow/WindowRegistry.h"

namespace qvor {

int WindowRegistry::advanceCounter()
{
    counter_ = counter_ >= SlotCount ? 1 : counter_ + 1;
    return counter_;
}

int WindowRegistry::decreaseCounter()
{
    const int before = counter_;
    if (counter_ > 0) --counter_;
    return before;
}

const WindowRegistry::Slot& WindowRegistry::slot(int number) const
{
    if (number < 1 || number > SlotCount) return none_;
    return slots_[static_cast<std::size_t>(number - 1)];
}

WindowRegistry::Slot& WindowRegistry::slot(int number)
{
    if (number < 1 || number > SlotCount) {
        none_ = {};
        return none_;
    }
    return slots_[static_cast<std::size_t>(number - 1)];
}

int WindowRegistry::slotOfCaption(const QString& caption) const
{
    for (int i = 1; i <= SlotCount; ++i) {
        if (slot(i).caption == caption && !caption.isEmpty()) return i;
    }
    return 0;
}

int WindowRegistry::slotOfWindow(const QWidget* window) const
{
    if (!window) return 0;
    for (int i = 1; i <= SlotCount; ++i) {
        if (slot(i).window == window) return i;
    }
    return 0;
}

void WindowRegistry::setChanged(const QString& caption, bool changed)
{
    if (const int n = slotOfCaption(caption)) slot(n).changed = changed;
}

bool WindowRegistry::changed(const QString& caption) const
{
    const int n = slotOfCaption(caption);
    return n != 0 && slot(n).changed;
}

void WindowRegistry::clear()
{
    slots_ = {};
    counter_ = 0;
}

WindowRegistry& windowRegistry()
{
    static WindowRegistry registry;
    return registry;
}

QTableDocument& documentValues()
{
    static QTableDocument values;
    return values;
}

int16_t& myTableBytes()
{
    static int16_t bytes = 0;
    return bytes;
}

} // namespace qvor
