#include "rfc/RowList.h"

#include <atomic>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace rfc {

// An unnamed temporary file written through one buffer. Reads see buffered bytes too, so reading
// never has to write (and never fails for a full disk).
class SpillFile {
public:
    SpillFile()
    {
        file_ = std::tmpfile();
        if (!file_) throw std::runtime_error("No temporary file for table rows");
        fd_ = ::fileno(file_);
    }
    ~SpillFile() { std::fclose(file_); }
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    std::uint64_t end() const { return flushed_ + buffer_.size(); }

    void append(const void* data, std::size_t n)
    {
        buffer_.append(static_cast<const char*>(data), n);
        if (buffer_.size() >= BufferBytes) flush();
    }
    void appendLength(std::uint32_t n) { append(&n, sizeof n); }

    // Bytes read into target from offset, fewer at the end of the file or on a read error.
    std::size_t read(std::uint64_t offset, char* target, std::size_t n) const
    {
        std::size_t done = 0;
        while (done < n && offset + done < flushed_) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, flushed_ - offset - done));
            const ssize_t got = ::pread(fd_, target + done, want, static_cast<off_t>(offset + done));
            if (got <= 0) return done;
            done += static_cast<std::size_t>(got);
        }
        if (done < n && offset + done >= flushed_) {
            const std::size_t from = static_cast<std::size_t>(offset + done - flushed_);
            if (from < buffer_.size()) {
                const std::size_t take = std::min(n - done, buffer_.size() - from);
                std::memcpy(target + done, buffer_.data() + from, take);
                done += take;
            }
        }
        return done;
    }

private:
    static constexpr std::size_t BufferBytes = 1u << 20;

    void flush()
    {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t put = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                                         static_cast<off_t>(flushed_ + done));
            if (put <= 0) throw std::runtime_error("The temporary file for table rows could not be written");
            done += static_cast<std::size_t>(put);
        }
        flushed_ += done;
        buffer_.clear();
    }

    std::FILE* file_ = nullptr;
    int fd_ = -1;
    std::uint64_t flushed_ = 0;
    std::string buffer_;
};

// Reads records through a window of the file, so reading rows in order costs one system call
// per block rather than per row. A record: its body size, the value count, then each value with
// its byte length.
class RowReader {
public:
    bool read(const SpillFile& file, std::uint64_t offset, RowList::Row& row)
    {
        std::uint32_t body = 0;
        if (!window(file, offset, 4)) return false;
        std::memcpy(&body, at(offset), 4);
        if (!window(file, offset, 4 + std::size_t(body))) return false;
        const char* p = at(offset) + 4;
        const char* const end = p + body;
        std::uint32_t count = 0, length = 0;
        if (end - p < 4) return false;
        std::memcpy(&count, p, 4);
        p += 4;
        row.resize(count);
        for (auto& value : row) {
            if (end - p < 4) return false;
            std::memcpy(&length, p, 4);
            p += 4;
            if (static_cast<std::size_t>(end - p) < length) return false;
            value.assign(p, length);
            p += length;
        }
        return true;
    }
    // The size of the record at offset, header included; 0 when it cannot be read.
    std::uint64_t recordBytes(const SpillFile& file, std::uint64_t offset)
    {
        std::uint32_t body = 0;
        if (!window(file, offset, 4)) return 0;
        std::memcpy(&body, at(offset), 4);
        return 4 + std::uint64_t(body);
    }

    RowList::Row row;   // an iterator's current row
    // Where the record of spilled row nextIndex starts, once a row before it was read in order.
    std::size_t nextIndex = 0;
    std::uint64_t nextOffset = 0;
    bool hasNext = false;

private:
    static constexpr std::size_t WindowBytes = 256u << 10;

    const char* at(std::uint64_t offset) const { return data_.data() + (offset - start_); }
    bool window(const SpillFile& file, std::uint64_t offset, std::size_t n)
    {
        if (offset >= start_ && offset + n <= start_ + data_.size()) return true;
        data_.resize(std::max(n, WindowBytes));
        data_.resize(file.read(offset, data_.data(), data_.size()));
        start_ = offset;
        return data_.size() >= n;
    }

    std::string data_;
    std::uint64_t start_ = 0;
};

namespace {

std::size_t memoryBytes(const RowList::Row& row)
{
    std::size_t n = sizeof(RowList::Row) + row.size() * sizeof(std::string);
    for (const auto& v : row) n += v.size();
    return n;
}

std::atomic<std::size_t>& newListLimit()
{
    static std::atomic<std::size_t> limit{RowList::DefaultMemoryLimit};
    return limit;
}

} // namespace

void RowList::setMemoryLimitForNewLists(std::size_t limit) { newListLimit() = limit; }
std::size_t RowList::memoryLimitForNewLists() { return newListLimit(); }

RowList::RowList(std::initializer_list<Row> rows) : limit_(newListLimit())
{
    for (const auto& r : rows) push_back(r);
}

RowList::RowList() : limit_(newListLimit()) {}
RowList::RowList(std::size_t memoryLimit) : limit_(memoryLimit) {}
RowList::~RowList() = default;
RowList::RowList(RowList&& other) noexcept : limit_(other.limit_) { *this = std::move(other); }

// The source is left empty: its counts must not outlive the storage they describe.
RowList& RowList::operator=(RowList&& other) noexcept
{
    if (this == &other) return *this;
    limit_ = other.limit_;
    memory_ = std::move(other.memory_);
    memoryBytes_ = other.memoryBytes_;
    file_ = std::move(other.file_);
    movedFile_ = std::move(other.movedFile_);
    spilledCount_ = other.spilledCount_;
    stepStarts_ = std::move(other.stepStarts_);
    moved_ = std::move(other.moved_);
    open_ = std::move(other.open_);
    openIndex_ = other.openIndex_;
    openIsNew_ = other.openIsNew_;
    openIsFileRow_ = other.openIsFileRow_;
    reader_ = std::move(other.reader_);
    lastRead_ = std::move(other.lastRead_);
    readFailed_ = other.readFailed_;
    other.clear();
    return *this;
}

RowList::RowList(const RowList& other) : limit_(other.limit_)
{
    for (const auto& r : other) push_back(r);
}

RowList& RowList::operator=(const RowList& other)
{
    if (this != &other) {
        RowList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void RowList::clear()
{
    memory_.clear();
    memoryBytes_ = 0;
    file_.reset();
    movedFile_.reset();
    spilledCount_ = 0;
    stepStarts_.clear();
    moved_.clear();
    open_.clear();
    openIsNew_ = openIsFileRow_ = false;
    reader_.reset();
    readFailed_ = false;
}

void RowList::commitOpen()
{
    if (openIsNew_) {
        openIsNew_ = false;
        const std::size_t bytes = memoryBytes(open_);
        if (!file_ && memoryBytes_ + bytes <= limit_) {
            memoryBytes_ += bytes;
            memory_.push_back(std::move(open_));
            open_.clear();
            return;
        }
        if (!file_) file_ = std::make_unique<SpillFile>();
        const std::uint64_t at = writeRecord(*file_, open_);
        if (spilledCount_ % IndexStep == 0) stepStarts_.push_back(at);
        ++spilledCount_;
    } else if (openIsFileRow_) {
        openIsFileRow_ = false;
        if (!movedFile_) movedFile_ = std::make_unique<SpillFile>();
        moved_[openIndex_ - memory_.size()] = writeRecord(*movedFile_, open_);
    }
}

std::uint64_t RowList::writeRecord(SpillFile& file, const Row& row)
{
    std::size_t body = 4;
    for (const auto& v : row) body += 4 + v.size();
    const std::uint64_t at = file.end();
    file.appendLength(static_cast<std::uint32_t>(body));
    file.appendLength(static_cast<std::uint32_t>(row.size()));
    for (const auto& v : row) {
        file.appendLength(static_cast<std::uint32_t>(v.size()));
        file.append(v.data(), v.size());
    }
    return at;
}

void RowList::push_back(Row row)
{
    commitOpen();
    open_ = std::move(row);
    openIsNew_ = true;
    openIndex_ = size() - 1;
    commitOpen();
}

RowList::Row& RowList::emplace_back(std::size_t values)
{
    commitOpen();
    // A row written to the file leaves its buffers here for the next one.
    open_.resize(values);
    for (auto& v : open_) v.clear();
    openIsNew_ = true;
    openIndex_ = size() - 1;
    return open_;
}

const RowList::Row& RowList::fileRow(std::size_t j, RowReader& reader, Row& out) const
{
    bool ok = true;
    if (const auto m = moved_.find(j); m != moved_.end()) {
        RowReader movedReader;   // rows written again are few; their file gets no window of its own
        ok = movedReader.read(*movedFile_, m->second, out);
    } else {
        // Walk from the nearest indexed start unless the previous read ended right here.
        std::uint64_t offset = 0;
        if (reader.hasNext && reader.nextIndex == j) {
            offset = reader.nextOffset;
        } else {
            offset = stepStarts_[j / IndexStep];
            for (std::size_t k = j - j % IndexStep; ok && k < j; ++k) {
                const std::uint64_t bytes = reader.recordBytes(*file_, offset);
                ok = bytes > 0;
                offset += bytes;
            }
        }
        const std::uint64_t bytes = ok ? reader.recordBytes(*file_, offset) : 0;
        ok = bytes > 0 && reader.read(*file_, offset, out);
        reader.hasNext = ok;
        reader.nextIndex = j + 1;
        reader.nextOffset = offset + bytes;
    }
    if (!ok) {
        out.clear();
        readFailed_ = true;
    }
    return out;
}

const RowList::Row& RowList::operator[](std::size_t i) const
{
    if ((openIsNew_ || openIsFileRow_) && i == openIndex_) return open_;
    if (i < memory_.size()) return memory_[i];
    if (!reader_) reader_ = std::make_unique<RowReader>();
    return fileRow(i - memory_.size(), *reader_, lastRead_);
}

RowList::Row& RowList::operator[](std::size_t i)
{
    if ((openIsNew_ || openIsFileRow_) && i == openIndex_) return open_;
    commitOpen();
    if (i < memory_.size()) return memory_[i];
    if (!reader_) reader_ = std::make_unique<RowReader>();
    fileRow(i - memory_.size(), *reader_, open_);
    openIsFileRow_ = true;
    openIndex_ = i;
    return open_;
}

RowList::const_iterator::const_iterator(const RowList* list, std::size_t index) : list_(list), index_(index) {}

RowList::const_iterator::reference RowList::const_iterator::operator*() const
{
    const RowList& l = *list_;
    if ((l.openIsNew_ || l.openIsFileRow_) && index_ == l.openIndex_) return l.open_;
    if (index_ < l.memory_.size()) return l.memory_[index_];
    if (!reader_) reader_ = std::make_shared<RowReader>();
    return l.fileRow(index_ - l.memory_.size(), *reader_, reader_->row);
}

RowList::const_iterator RowList::begin() const { return const_iterator(this, 0); }
RowList::const_iterator RowList::end() const { return const_iterator(this, size()); }

bool operator==(const RowList& a, const RowList& b)
{
    if (a.size() != b.size()) return false;
    auto j = b.begin();
    for (const auto& row : a) {
        if (row != *j) return false;
        ++j;
    }
    return true;
}

} // namespace rfc
