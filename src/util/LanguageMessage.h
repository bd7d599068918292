#pragma once
// A two-wording message box as the program shows it: the English box when the English test
// holds, then the Portuguese box when the Portuguese test holds (both when both hold). Before the
// language is settled (neither test holds) the English box shows, so no failure goes unseen.
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QStringList>

namespace qvor {

// %1, %2, ... of the text are filled from `arguments` in one pass.
void messageInLanguages(TextId id, const QStringList& arguments = {}, MsgIcon icon = MsgIcon::None);

// The text with its placeholders filled, e.g. fillText(textEn(id), {path}).
QString fillText(const QString& text, const QStringList& arguments);

} // namespace qvor
