#pragma once
// The body of a successful answer for libmicrohttpd's content-reader callback: the SOAP answer is
// written piece by piece as the client takes it, so a read of a million rows never sits in memory as
// one text, and a client that stops reading stops the writing. With a delay, the connection is
// suspended between pieces instead of a serving thread sleeping.
#include "SuspendedConnections.h"
#include "sap/SoapWriter.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include <sys/types.h>

class AnswerSource {
public:
    AnswerSource(std::string function, std::shared_ptr<const rfc::FunctionResult> result, MHD_Connection* connection,
                 SuspendedConnections& suspensions, std::chrono::milliseconds delay, const std::atomic<bool>& stopping);

    // libmicrohttpd's callbacks; cls is the AnswerSource.
    static ssize_t read(void* cls, std::uint64_t position, char* buffer, std::size_t max);
    static void release(void* cls);

    static constexpr std::size_t PieceBytes = 32 * 1024;

private:
    ssize_t fill(char* buffer, std::size_t max);

    soap::AnswerStream stream_;
    std::string piece_;
    std::size_t offset_ = 0;
    bool more_ = true;
    std::uint64_t sent_ = 0;
    SuspendedConnections::Clock::time_point pauseEnd_{};
    MHD_Connection* connection_;
    SuspendedConnections& suspensions_;
    const std::chrono::milliseconds delay_;
    const std::atomic<bool>& stopping_;
};
