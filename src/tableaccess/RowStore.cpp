#include "tableaccess/RowStore.h"

#include <cstring>

namespace qvor {

namespace {

void putLength(QByteArray& out, std::uint32_t n)
{
    char b[4];
    std::memcpy(b, &n, 4);
    out.append(b, 4);
}

} // namespace

RowStore::RowStore(std::size_t memoryLimit) : memoryLimit_(memoryLimit) {}

RowStore::RowStore(rfc::RowList rows, int column, std::shared_ptr<const ReturnedLayout> layout)
    : column_(column), layout_(layout && !layout->unchanged() ? std::move(layout) : nullptr)
{
    takePage(std::move(rows));
}

bool RowStore::takePage(rfc::RowList rows)
{
    if (count_ > 0 && taken_.empty()) return false;
    count_ += static_cast<qint64>(rows.size());
    taken_.push_back(std::move(rows));
    if (taken_.size() == 1) rewind();
    return true;
}

RowStore::~RowStore()
{
    if (file_) std::fclose(file_);
}

bool RowStore::spill()
{
    if (!file_) {
        file_ = std::tmpfile();
        if (!file_) return false;
        std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
    }
    if (std::fseek(file_, 0, SEEK_END) != 0) return false;
    const std::size_t n = static_cast<std::size_t>(memory_.size());
    if (std::fwrite(memory_.constData(), 1, n, file_) != n) return false;
    fileBytes_ += static_cast<qint64>(n);
    memory_.clear();
    return true;
}

bool RowStore::append(std::string_view line)
{
    if (writeFailed_ || !taken_.empty()) return false;
    putLength(memory_, static_cast<std::uint32_t>(line.size()));
    memory_.append(line.data(), static_cast<qsizetype>(line.size()));
    ++count_;
    if (static_cast<std::size_t>(memory_.size()) >= memoryLimit_ && !spill()) {
        writeFailed_ = true;
        return false;
    }
    return true;
}

void RowStore::rewind()
{
    fileRead_ = 0;
    memoryRead_ = 0;
    readFailed_ = false;
    takenPage_ = 0;
    if (!taken_.empty()) takenAt_ = taken_.front().begin();
    if (file_) {
        std::fflush(file_);
        std::fseek(file_, 0, SEEK_SET);
    }
}

bool RowStore::readFromFile(void* target, std::size_t size)
{
    if (std::fread(target, 1, size, file_) != size) {
        readFailed_ = true;
        return false;
    }
    fileRead_ += static_cast<qint64>(size);
    return true;
}

bool RowStore::next(QByteArray& line)
{
    if (readFailed_ || writeFailed_) return false;
    if (!taken_.empty()) {
        while (takenAt_ == taken_[takenPage_].end()) {
            if (takenPage_ + 1 == taken_.size()) return false;
            takenAt_ = taken_[++takenPage_].begin();
        }
        const rfc::RowList& page = taken_[takenPage_];
        const rfc::RowList::Row& row = *takenAt_;
        ++takenAt_;
        if (page.readFailed()) {
            readFailed_ = true;
            return false;
        }
        const auto c = static_cast<std::size_t>(column_);
        if (column_ < 0 || c >= row.size()) {
            line.clear();
            return true;
        }
        const std::string* value = &row[c];
        if (layout_) {
            layout_->rebuild(*value, rebuilt_);
            value = &rebuilt_;
        }
        line.resize(static_cast<qsizetype>(value->size()));
        if (!value->empty()) std::memcpy(line.data(), value->data(), value->size());
        return true;
    }
    std::uint32_t n = 0;
    if (file_ && fileRead_ < fileBytes_) {
        if (!readFromFile(&n, 4)) return false;
        line.resize(static_cast<qsizetype>(n));
        return n == 0 || readFromFile(line.data(), n);
    }
    if (memoryRead_ + 4 > memory_.size()) return false;
    std::memcpy(&n, memory_.constData() + memoryRead_, 4);
    memoryRead_ += 4;
    if (memoryRead_ + static_cast<qsizetype>(n) > memory_.size()) {
        readFailed_ = true;
        return false;
    }
    line.resize(static_cast<qsizetype>(n));
    if (n) std::memcpy(line.data(), memory_.constData() + memoryRead_, n);
    memoryRead_ += static_cast<qsizetype>(n);
    return true;
}

} // namespace qvor
