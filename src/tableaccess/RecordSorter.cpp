#include "tableaccess/RecordSorter.h"

#include <algorithm>
#include <cstring>

namespace qvor {

namespace {

constexpr std::size_t HeaderSize = 8;
constexpr std::size_t RunBufferSize = 256u << 10;

void putU32(std::string& out, std::uint32_t n)
{
    char b[4];
    std::memcpy(b, &n, 4);
    out.append(b, 4);
}

std::uint32_t getU32(const char* p)
{
    std::uint32_t n;
    std::memcpy(&n, p, 4);
    return n;
}

} // namespace

// One sorted run in the temporary file, read through a buffer of its own.
struct RecordSorter::Run {
    qint64 position = 0;   // next byte of the run in the file
    qint64 end = 0;
    std::string buffer;
    std::size_t at = 0;    // start of the current record in buffer
    std::size_t length = 0;
    std::string_view key, payload;

    // Moves to the next record; false at the end of the run (or on a read failure, `failed`).
    bool advance(std::FILE* file, bool& failed)
    {
        at += length;
        length = 0;
        if (!ensure(file, HeaderSize, failed)) return false;
        const std::uint32_t k = getU32(buffer.data() + at), p = getU32(buffer.data() + at + 4);
        if (!ensure(file, HeaderSize + k + p, failed)) {
            failed = true;
            return false;
        }
        key = std::string_view(buffer.data() + at + HeaderSize, k);
        payload = std::string_view(buffer.data() + at + HeaderSize + k, p);
        length = HeaderSize + k + p;
        return true;
    }

private:
    // Makes sure `need` bytes of the run stand in the buffer from `at` on.
    bool ensure(std::FILE* file, std::size_t need, bool& failed)
    {
        if (buffer.size() - at >= need) return true;
        if (position >= end) return false;
        buffer.erase(0, at);
        at = 0;
        const std::size_t have = buffer.size();
        const auto room = static_cast<std::size_t>(
            std::min<qint64>(static_cast<qint64>(std::max(need - have, RunBufferSize)), end - position));
        buffer.resize(have + room);
        if (std::fseek(file, static_cast<long>(position), SEEK_SET) != 0
            || std::fread(buffer.data() + have, 1, room, file) != room) {
            failed = true;
            return false;
        }
        position += static_cast<qint64>(room);
        return buffer.size() >= need;
    }
};

RecordSorter::RecordSorter(std::size_t memoryLimit) : memoryLimit_(memoryLimit) {}

RecordSorter::~RecordSorter()
{
    if (file_) std::fclose(file_);
}

std::string_view RecordSorter::keyAt(std::size_t offset) const
{
    return std::string_view(chunk_.data() + offset + HeaderSize, getU32(chunk_.data() + offset));
}

bool RecordSorter::add(std::string_view key, std::string_view payload)
{
    if (failed_ || finished_) return false;
    if (count_ > 0 && key < std::string_view(lastKey_)) {
        sorted_ = false;
        chunkSorted_ = false;
    }
    // Once unsorted, the largest key of the chunk is what the next chunk is compared with.
    if (chunkSorted_ || key > std::string_view(lastKey_)) lastKey_.assign(key);
    offsets_.push_back(chunk_.size());
    putU32(chunk_, static_cast<std::uint32_t>(key.size()));
    putU32(chunk_, static_cast<std::uint32_t>(payload.size()));
    chunk_.append(key);
    chunk_.append(payload);
    ++count_;
    if (chunk_.size() >= memoryLimit_ && !spillChunk()) {
        failed_ = true;
        return false;
    }
    return true;
}

void RecordSorter::sortChunk()
{
    std::stable_sort(offsets_.begin(), offsets_.end(),
                     [this](std::size_t a, std::size_t b) { return keyAt(a) < keyAt(b); });
}

bool RecordSorter::spillChunk()
{
    if (offsets_.empty()) return true;
    if (!file_) {
        file_ = std::tmpfile();
        if (!file_) return false;
    }
    // A chunk in order continues the last run (its first key is not below that run's last one).
    const bool extend = chunkSorted_ && !runs_.empty();
    if (!chunkSorted_) sortChunk();
    if (std::fseek(file_, 0, SEEK_END) != 0) return false;
    const qint64 start = fileBytes_;
    if (chunkSorted_) {
        if (std::fwrite(chunk_.data(), 1, chunk_.size(), file_) != chunk_.size()) return false;
        fileBytes_ += static_cast<qint64>(chunk_.size());
    } else {
        for (std::size_t offset : offsets_) {
            const std::size_t length = HeaderSize + getU32(chunk_.data() + offset) + getU32(chunk_.data() + offset + 4);
            if (std::fwrite(chunk_.data() + offset, 1, length, file_) != length) return false;
            fileBytes_ += static_cast<qint64>(length);
        }
    }
    if (extend) {
        runs_.back()->end = fileBytes_;
    } else {
        auto run = std::make_unique<Run>();
        run->position = start;
        run->end = fileBytes_;
        runs_.push_back(std::move(run));
    }
    chunk_.clear();
    offsets_.clear();
    chunkSorted_ = true;
    return true;
}

bool RecordSorter::finish()
{
    if (failed_) return false;
    finished_ = true;
    memoryAt_ = 0;
    if (!file_) {
        if (!chunkSorted_) sortChunk();
        return true;
    }
    if (!spillChunk() || std::fflush(file_) != 0) {
        failed_ = true;
        return false;
    }
    std::string().swap(chunk_);
    std::vector<std::size_t>().swap(offsets_);
    heap_.clear();
    for (std::size_t i = 0; i < runs_.size(); ++i)
        if (runs_[i]->advance(file_, failed_)) heap_.push_back(i);
    if (failed_) return false;
    heap_.push_back(runs_.size());   // a marker: the first next() takes the top without advancing
    return true;
}

bool RecordSorter::next(std::string_view& key, std::string_view& payload)
{
    if (!finished_ || failed_) return false;
    if (!file_) {
        if (memoryAt_ >= offsets_.size()) return false;
        const std::size_t offset = offsets_[memoryAt_++];
        const std::uint32_t k = getU32(chunk_.data() + offset), p = getU32(chunk_.data() + offset + 4);
        key = std::string_view(chunk_.data() + offset + HeaderSize, k);
        payload = std::string_view(chunk_.data() + offset + HeaderSize + k, p);
        return true;
    }
    // Min-heap on (key, run): equal keys come from the earlier run first, which keeps arrival order.
    const auto after = [this](std::size_t a, std::size_t b) {
        const int c = runs_[a]->key.compare(runs_[b]->key);
        return c != 0 ? c > 0 : a > b;
    };
    if (!heap_.empty() && heap_.back() == runs_.size()) {
        heap_.pop_back();
        std::make_heap(heap_.begin(), heap_.end(), after);
    } else if (!heap_.empty()) {
        // The record handed out last is no longer needed: its run moves on.
        std::pop_heap(heap_.begin(), heap_.end(), after);
        if (runs_[heap_.back()]->advance(file_, failed_)) std::push_heap(heap_.begin(), heap_.end(), after);
        else heap_.pop_back();
        if (failed_) return false;
    }
    if (heap_.empty()) return false;
    const Run& top = *runs_[heap_.front()];
    key = top.key;
    payload = top.payload;
    return true;
}

} // namespace qvor
