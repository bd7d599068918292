#pragma once
// The scratch copies of My Table and of the option lines that an import, a preview or a save
// works from. The program keeps one process-wide instance of each, refilled at the start of
// every operation; the algorithms take them as plain values so they can run on any copy.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace qvor {

struct MyTableField {
    QString name;      // qualified: TABLE-FIELD
    QString text;      // FIELDTEXT
    QString type;      // one letter
    int16_t length = 0;
};

struct MyTableBuffer {
    std::vector<MyTableField> fields;   // field i (1-based) is fields[i - 1]

    int count() const { return static_cast<int>(fields.size()); }
    const MyTableField& field(int i) const { return fields[static_cast<std::size_t>(i - 1)]; }
    // The sum of all lengths, the "Bytes/Row" of the completion text.
    int totalLength() const;
};

struct OptionsBuffer {
    QStringList lines;   // option j (1-based) is lines[j - 1]

    int count() const { return static_cast<int>(lines.size()); }
    // Index 0 exists and is empty: a group without options sends it as its one OPTIONS row.
    QString option(int j) const { return j >= 1 && j <= count() ? lines[j - 1] : QString(); }
};

// The table of a qualified field name: the text before the first "-" (all of it without one).
QString tableOfField(const QString& qualifiedName);

MyTableBuffer& myTableBuffer();
OptionsBuffer& optionsBuffer();

} // namespace qvor
