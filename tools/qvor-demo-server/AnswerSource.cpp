#include "AnswerSource.h"

#include <microhttpd.h>

#include <algorithm>
#include <cstring>

AnswerSource::AnswerSource(std::string function, std::shared_ptr<const rfc::FunctionResult> result,
                           MHD_Connection* connection, SuspendedConnections& suspensions,
                           std::chrono::milliseconds delay, const std::atomic<bool>& stopping)
    : stream_(std::move(function), std::move(result)), connection_(connection), suspensions_(suspensions),
      delay_(delay), stopping_(stopping)
{
}

ssize_t AnswerSource::read(void* cls, std::uint64_t, char* buffer, std::size_t max)
{
    return static_cast<AnswerSource*>(cls)->fill(buffer, max);
}

void AnswerSource::release(void* cls) { delete static_cast<AnswerSource*>(cls); }

ssize_t AnswerSource::fill(char* buffer, std::size_t max)
{
    // A stopping server ends open answers; the client sees the chunked body cut off.
    if (stopping_) return MHD_CONTENT_READER_END_WITH_ERROR;
    // libmicrohttpd may ask again before the suspension takes hold; nothing goes out before its time.
    if (SuspendedConnections::Clock::now() < pauseEnd_) return 0;
    if (offset_ == piece_.size()) {
        piece_.clear();
        offset_ = 0;
        // The next piece is made before the pause, so the last piece is known as last and no
        // pause follows it.
        while (more_ && piece_.empty()) more_ = stream_.next(piece_, PieceBytes);
        if (piece_.empty()) return MHD_CONTENT_READER_END_OF_STREAM;
        if (sent_ > 0 && delay_.count() > 0) {
            pauseEnd_ = SuspendedConnections::Clock::now() + delay_;
            if (!suspensions_.suspendUntil(connection_, pauseEnd_)) return MHD_CONTENT_READER_END_WITH_ERROR;
            return 0;   // called again once resumed
        }
    }
    const std::size_t n = std::min(max, piece_.size() - offset_);
    std::memcpy(buffer, piece_.data() + offset_, n);
    offset_ += n;
    sent_ += n;
    return static_cast<ssize_t>(n);
}
