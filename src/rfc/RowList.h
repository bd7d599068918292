#pragma once
// The rows of a call's table. The first few megabytes of rows live in memory; every later row goes
// to an unnamed temporary file with an offset index, so the answer to a read of a million wide
// rows costs disk, not memory, while callers still index, iterate and append as with a vector.
//
// A reference to a row that lives in the file (from operator[] or an iterator) stays valid only
// until the next call on the list; the last appended row and a row taken for writing are held in
// memory and written back on the next call. One thread at a time: the demo system fills the list
// on its worker, the window reads it after the reply arrived.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rfc {

class SpillFile;
class RowReader;

class RowList {
public:
    using Row = std::vector<std::string>;
    static constexpr std::size_t DefaultMemoryLimit = 4u << 20;

    RowList();
    explicit RowList(std::size_t memoryLimit);
    // The memory limit of lists made without one from now on (DefaultMemoryLimit at first); a
    // program that keeps many answers at once lowers it so that together they stay small.
    static void setMemoryLimitForNewLists(std::size_t limit);
    static std::size_t memoryLimitForNewLists();
    RowList(std::initializer_list<Row> rows);
    ~RowList();
    RowList(const RowList& other);
    RowList& operator=(const RowList& other);
    RowList(RowList&& other) noexcept;
    RowList& operator=(RowList&& other) noexcept;

    std::size_t size() const { return memory_.size() + spilledCount_ + (openIsNew_ ? 1 : 0); }
    bool empty() const { return size() == 0; }
    // True once rows went to the temporary file.
    bool spilled() const { return file_ != nullptr; }
    // True when a row could not be read back from the temporary file; such rows read as empty.
    bool readFailed() const { return readFailed_; }
    void clear();

    // Appending throws std::runtime_error when the temporary file cannot be written.
    void push_back(Row row);
    Row& emplace_back(std::size_t values = 0);

    const Row& operator[](std::size_t i) const;
    Row& operator[](std::size_t i);

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Row;
        using difference_type = std::ptrdiff_t;
        using pointer = const Row*;
        using reference = const Row&;

        const_iterator() = default;
        reference operator*() const;
        pointer operator->() const { return &**this; }
        const_iterator& operator++() { ++index_; return *this; }
        bool operator==(const const_iterator& o) const { return index_ == o.index_; }
        bool operator!=(const const_iterator& o) const { return index_ != o.index_; }

    private:
        friend class RowList;
        const_iterator(const RowList* list, std::size_t index);
        const RowList* list_ = nullptr;
        std::size_t index_ = 0;
        mutable std::shared_ptr<RowReader> reader_;   // shared: copies of an iterator read alike
    };
    const_iterator begin() const;
    const_iterator end() const;

    friend bool operator==(const RowList& a, const RowList& b);

private:
    void commitOpen();
    static std::uint64_t writeRecord(SpillFile& file, const Row& row);
    const Row& fileRow(std::size_t spilledIndex, RowReader& reader, Row& out) const;

    std::size_t limit_ = DefaultMemoryLimit;
    std::vector<Row> memory_;             // rows 0 .. memory_.size()-1
    std::size_t memoryBytes_ = 0;
    // The later rows' records lie in the file one after another, in row order. Only every
    // IndexStep-th start is kept, so the index stays small for millions of rows. A row written
    // again goes to a second file (keeping the first one's records contiguous), found via moved_.
    static constexpr std::size_t IndexStep = 64;
    std::unique_ptr<SpillFile> file_;
    std::unique_ptr<SpillFile> movedFile_;
    std::size_t spilledCount_ = 0;
    std::vector<std::uint64_t> stepStarts_;
    std::map<std::size_t, std::uint64_t> moved_;

    // The row open for writing: the newest one (openIsNew_) or a file row taken by operator[].
    Row open_;
    std::size_t openIndex_ = 0;
    bool openIsNew_ = false;
    bool openIsFileRow_ = false;

    // Random access to file rows reads through this one buffer.
    mutable std::unique_ptr<RowReader> reader_;
    mutable Row lastRead_;
    mutable bool readFailed_ = false;
};

} // namespace rfc
