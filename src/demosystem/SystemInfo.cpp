#include "demosystem/SystemInfo.h"

#include <unistd.h>

#include <ctime>

namespace demo {

namespace {

std::string cut(const std::string& s, std::size_t n)
{
    return s.size() > n ? s.substr(0, n) : s;
}

} // namespace

std::string SystemInfo::hostName()
{
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0') return "localhost";
    return buffer;
}

rfc::FunctionResult SystemInfo::run(const Identity& identity)
{
    const std::string shortHost = cut(identity.host.substr(0, identity.host.find('.')), 8);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);

    rfc::FunctionResult result;
    rfc::Structure& s = result.structures["RFCSI_EXPORT"];
    s["RFCPROTO"] = "011";
    s["RFCCHARTYP"] = "4103";
    s["RFCINTTYP"] = "LIT";
    s["RFCFLOTYP"] = "IE3";
    s["RFCDEST"] = cut(shortHost + "_" + identity.sid + "_" + identity.systemNumber, 32);
    s["RFCHOST"] = shortHost;
    s["RFCSYSID"] = cut(identity.sid, 8);
    s["RFCDATABS"] = cut(identity.sid, 8);
    s["RFCDBHOST"] = cut(identity.host, 32);
    s["RFCDBSYS"] = "SQLITE";
    s["RFCSAPRL"] = cut(identity.release, 4);
    s["RFCMACH"] = "  390";
    s["RFCOPSYS"] = "Linux";
    s["RFCTZONE"] = std::to_string(local.tm_gmtoff);
    s["RFCDAYST"] = local.tm_isdst > 0 ? "X" : "";
    s["RFCIPADDR"] = "127.0.0.1";
    s["RFCKERNRL"] = "753";
    s["RFCHOST2"] = cut(identity.host, 32);
    s["RFCSI_RESV"] = "";
    s["RFCIPV6ADDR"] = "::1";
    result.parameters["CURRENT_RESOURCES"] = "5";
    result.parameters["MAXIMAL_RESOURCES"] = "10";
    result.parameters["RECOMMENDED_DELAY"] = "0";
    return result;
}

} // namespace demo
