#pragma once
// How an import reads a table larger than one call can carry, beyond the plain import: split
// into partitions of a key field's ranges, read over several sessions at the same time, each
// call in pages of a number of rows, and continued after an interruption. All off by default.
#include <QString>

namespace qvor {

struct AppSettings;
struct MyTableBuffer;

struct ImportChunking {
    static constexpr int MinPartitions = 2;
    static constexpr int MaxPartitions = 1000;
    static constexpr int DefaultPartitions = 8;
    static constexpr int MaxParallel = 8;

    QString partitionField;   // as given: FIELD or TABLE-FIELD; empty: no partitions
    int partitions = DefaultPartitions;
    int parallel = 1;
    qint32 pageRows = 0;      // 0: every call reads all its rows
    bool resume = false;      // continue the interrupted run into the same output

    bool active() const { return !partitionField.isEmpty() || parallel > 1 || pageRows > 0 || resume; }

    // "FIELD" or "FIELD:N"; false with the reason when N is no whole number in range.
    bool setPartition(const QString& text, QString* error);
    // The partition setting as given on the command line: FIELD:N.
    QString partitionText() const;
    // False with the reason when a value lies outside its range.
    bool check(QString* error) const;

    // The program's import options (Import Options...). The partition field names its table and
    // divides only an import that reads that table; other imports read without partitions.
    static ImportChunking fromSettings(const AppSettings& settings, const MyTableBuffer& fields);
};

} // namespace qvor
