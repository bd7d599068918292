#pragma once
// The data lines of one call, kept in order and read back once in order. Small results stay in
// memory; beyond a threshold the lines move to an anonymous temporary file, so a million rows of
// 500 characters cost disk, not memory. Lines are UTF-8 bytes, stored length-prefixed so any
// byte (line ends included) survives. A call's answer can also be taken over whole: its table
// already keeps big answers in a file, so its lines are read from there instead of copied.
#include "rfc/RowList.h"
#include "tableaccess/ReturnedLayout.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace qvor {

class RowStore {
public:
    explicit RowStore(std::size_t memoryLimit = DefaultMemoryLimit);
    // Reads value `column` of each row of an answer's table; a missing column gives empty lines.
    // With a layout, each line is read as the layout rebuilds it.
    RowStore(rfc::RowList rows, int column, std::shared_ptr<const ReturnedLayout> layout = nullptr);
    // A store made from an answer takes the rows of further answers (pages) after them.
    bool takePage(rfc::RowList rows);
    ~RowStore();
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    static constexpr std::size_t DefaultMemoryLimit = 4u << 20;

    // False when the temporary file could not be written (disk full); the store is unusable then.
    bool append(std::string_view line);
    qint64 count() const { return count_; }
    bool spilled() const { return file_ != nullptr; }

    // Sequential reading from the first line; rewind() starts again.
    void rewind();
    // False at the end or on a read failure (see readFailed()).
    bool next(QByteArray& line);
    bool readFailed() const { return readFailed_; }

private:
    bool spill();
    bool readFromFile(void* target, std::size_t size);

    std::deque<rfc::RowList> taken_;   // a deque: the lists never move, their iterators stay valid
    std::size_t takenPage_ = 0;
    int column_ = -1;
    std::shared_ptr<const ReturnedLayout> layout_;
    std::string rebuilt_;
    rfc::RowList::const_iterator takenAt_;

    std::size_t memoryLimit_ = DefaultMemoryLimit;
    QByteArray memory_;     // length-prefixed records not yet in the file
    std::FILE* file_ = nullptr;
    qint64 fileBytes_ = 0;
    qint64 count_ = 0;

    // Reading position: first through the file, then through memory_.
    qint64 fileRead_ = 0;
    qsizetype memoryRead_ = 0;
    bool readFailed_ = false;
    bool writeFailed_ = false;
};

} // namespace qvor
