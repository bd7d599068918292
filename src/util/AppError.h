#pragma once
// Failures as the program reports them: "Error " + number + ": " + description, with the numbers
// users of the program know (70 is "Permission denied", the file is open in another program).
#include <QFileDevice>
#include <QString>

namespace qvor {

struct AppError {
    int number = 0;
    QString description;

    bool isError() const { return number != 0; }
    // "Error 70: Permission denied" followed by the operation suffix, e.g. " on ReadOrvane".
    QString text(const QString& suffix = {}) const
    {
        return QStringLiteral("Error %1: %2").arg(number).arg(description) + suffix;
    }

    static AppError overflow() { return {6, QStringLiteral("Overflow")}; }
    static AppError subscriptOutOfRange() { return {9, QStringLiteral("Subscript out of range")}; }
    static AppError typeMismatch() { return {13, QStringLiteral("Type mismatch")}; }
    static AppError fileNotFound() { return {53, QStringLiteral("File not found")}; }
    static AppError diskFull() { return {61, QStringLiteral("Disk full")}; }
    static AppError permissionDenied() { return {70, QStringLiteral("Permission denied")}; }
    static AppError pathFileAccess() { return {75, QStringLiteral("Path/File access error")}; }
    static AppError pathNotFound() { return {76, QStringLiteral("Path not found")}; }

    // Maps a failed file operation to the error a user of the program expects.
    static AppError fromFile(const QFileDevice& file);
    // The same for a failed system call on a file (errno).
    static AppError fromErrno(int error);
};

} // namespace qvor
