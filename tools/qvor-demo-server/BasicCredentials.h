#pragma once
// The user and password of an HTTP "Authorization: Basic ..." header.
#include <optional>
#include <string>
#include <string_view>

struct BasicCredentials {
    std::string user;
    std::string password;

    // Nothing when the header is missing, not Basic, not valid base64 or has no ":".
    static std::optional<BasicCredentials> fromHeader(std::string_view header);
};
