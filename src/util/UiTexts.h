#pragma once
// The program's texts in their two wordings. Every text with an English and a Portuguese wording
// lives in UiTexts.def and is resolved when it is used, so a language change shows at once.
// Texts with one wording (the technical messages) are listed there too, marked as such.
#include <QString>
#include <span>

namespace qvor {

enum class TextId {
#define QVOR_TEXT(id, en, pt) id,
#define QVOR_TEXT1(id, text) id,
#include "util/UiTexts.def"
#undef QVOR_TEXT
#undef QVOR_TEXT1
};

struct TextEntry {
    TextId id;
    const char* name;
    const char* en;   // UTF-8
    const char* pt;   // UTF-8; the same pointer as en for one-wording texts
    bool oneWording;
};

std::span<const TextEntry> allTexts();
const TextEntry& textEntry(TextId id);

QString textEn(TextId id);
QString textPt(TextId id);

// The wording that a text set now takes: Portuguese when the Portuguese test holds (it is applied
// after the English one), otherwise English.
QString tx(TextId id);

} // namespace qvor
