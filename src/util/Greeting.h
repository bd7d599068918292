#pragma once
// The welcome line of the message panel, e.g. "Good morning jdoe. Welcome to Orvane".
#include <QString>
#include <QTime>

namespace qvor {

// "HH:MM" compared as text: up to and including 12:00 morning, before 18:00 afternoon, then evening.
QString greetingWord(const QTime& time, bool portuguese);
// In the language the interface texts take now (Portuguese when the Portuguese test holds).
QString welcomeText(const QTime& time, const QString& userName);

} // namespace qvor
