#include "util/LanguageMessage.h"

#include "util/AppSettings.h"

namespace qvor {

QString fillText(const QString& text, const QStringList& arguments)
{
    // Replacing %n one after another would also replace a "%2" that the first argument brought in.
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 1 < text.size() && text.at(i + 1).isDigit()) {
            const int n = text.at(i + 1).digitValue();
            if (n >= 1 && n <= arguments.size()) {
                out += arguments.at(n - 1);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

void messageInLanguages(TextId id, const QStringList& arguments, MsgIcon icon)
{
    const AppSettings& settings = appSettings();
    const bool english = settings.englishTest() || !settings.portugueseTest();
    if (english) ui().message(fillText(textEn(id), arguments), MsgButtons::Ok, icon);
    if (settings.portugueseTest()) ui().message(fillText(textPt(id), arguments), MsgButtons::Ok, icon);
}

} // namespace qvor
