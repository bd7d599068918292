#include "util/Greeting.h"

#include "util/AppSettings.h"
#include "util/UiTexts.h"

namespace qvor {

QString greetingWord(const QTime& time, bool portuguese)
{
    const QString clock = time.toString(QStringLiteral("HH:mm"));
    TextId id = TextId::GreetingEvening;
    if (clock <= QLatin1String("12:00")) id = TextId::GreetingMorning;
    else if (clock < QLatin1String("18:00")) id = TextId::GreetingAfternoon;
    return portuguese ? textPt(id) : textEn(id);
}

QString welcomeText(const QTime& time, const QString& userName)
{
    const bool portuguese = appSettings().portugueseTest();
    const QString suffix = portuguese ? textPt(TextId::WelcomeToOrvane) : textEn(TextId::WelcomeToOrvane);
    return greetingWord(time, portuguese) + userName + suffix;
}

} // namespace qvor
