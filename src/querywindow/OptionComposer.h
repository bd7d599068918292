#pragma once
// Composing an option line from the options editor's four parts.
#include <QString>

namespace qvor {

class OptionComposer {
public:
    static constexpr int MaxLength = 72;

    enum class Verdict { Valid, Blank, TooLong };

    // field + " " + operator + " " + value + " " + conjunction, nothing trimmed or quoted.
    static QString compose(const QString& field, const QString& op, const QString& value,
                           const QString& conjunction);
    // Blank is the composition of four empty parts ("   ").
    static Verdict classify(const QString& line);
    // "Option has n, more than 72 characters"
    static QString tooLongMessage(const QString& line);
};

} // namespace qvor
