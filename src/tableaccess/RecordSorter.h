#pragma once
// Sorts records (a key and a payload of bytes) by key, stable, with bounded memory: records
// gather in memory up to a limit, then go to an anonymous temporary file as sorted runs that are
// merged when read back. Input that already arrives in key order (the usual case: SAP and the
// demo system deliver rows in key order) is written as it comes and never sorted at all.
#include <QtGlobal>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qvor {

class RecordSorter {
public:
    static constexpr std::size_t DefaultMemoryLimit = 8u << 20;

    explicit RecordSorter(std::size_t memoryLimit = DefaultMemoryLimit);
    ~RecordSorter();
    RecordSorter(const RecordSorter&) = delete;
    RecordSorter& operator=(const RecordSorter&) = delete;

    // False once the temporary file could not be written (disk full).
    bool add(std::string_view key, std::string_view payload);
    // Ends the input and prepares reading in key order; records with equal keys keep their
    // order of arrival. False on a disk failure.
    bool finish();
    // The next record in order; the views stay valid until the next call. False at the end or
    // on a read failure (see failed()).
    bool next(std::string_view& key, std::string_view& payload);

    qint64 count() const { return count_; }
    bool failed() const { return failed_; }
    // True when every record came in key order (nothing had to be sorted).
    bool arrivedSorted() const { return sorted_; }
    bool spilled() const { return file_ != nullptr; }

private:
    struct Run;
    bool spillChunk();
    void sortChunk();
    std::string_view keyAt(std::size_t offset) const;

    std::size_t memoryLimit_;
    std::string chunk_;                 // records: key length, payload length (4 bytes each), key, payload
    std::vector<std::size_t> offsets_;  // record starts in chunk_, in reading order once sorted
    std::string lastKey_;
    bool sorted_ = true;
    bool chunkSorted_ = true;
    std::FILE* file_ = nullptr;
    qint64 fileBytes_ = 0;
    std::vector<std::unique_ptr<Run>> runs_;
    std::vector<std::size_t> heap_;     // run indices while merging
    std::size_t memoryAt_ = 0;          // reading position in offsets_ when nothing was spilled
    qint64 count_ = 0;
    bool finished_ = false;
    bool failed_ = false;
};

} // namespace qvor
