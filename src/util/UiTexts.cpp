#include "util/UiTexts.h"
#include "util/AppSettings.h"

#include <array>

namespace qvor {
namespace {

constexpr std::array entries{
#define QVOR_TEXT(id, en, pt) TextEntry{TextId::id, #id, en, pt, false},
#define QVOR_TEXT1(id, text) TextEntry{TextId::id, #id, text, text, true},
#include "util/UiTexts.def"
#undef QVOR_TEXT
#undef QVOR_TEXT1
};

} // namespace

std::span<const TextEntry> allTexts() { return entries; }

const TextEntry& textEntry(TextId id) { return entries[static_cast<std::size_t>(id)]; }

QString textEn(TextId id) { return QString::fromUtf8(textEntry(id).en); }
QString textPt(TextId id) { return QString::fromUtf8(textEntry(id).pt); }

QString tx(TextId id)
{
    return appSettings().portugueseTest() ? textPt(id) : textEn(id);
}

} // namespace qvor
