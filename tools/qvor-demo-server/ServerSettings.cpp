#include "ServerSettings.h"

#include "demosystem/DemoSystem.h"

#include <cctype>
#include <charconv>
#include <filesystem>

namespace {

bool toNumber(const std::string& text, int low, int high, int* out)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty() || value < low || value > high) return false;
    *out = value;
    return true;
}

} // namespace

const char* ServerSettings::usage()
{
    return "usage: qvor-demo-server [--bind ADDRESS] [--port N] [--data DIR] [--scale N] [--delay MS]\n"
           "                        [--release classic|modern] [--threads N] [--max-connections N]\n"
           "                        [--per-address N] [--timeout S] [--fail-table NAME] [--call-delay MS]\n"
           "                        [--unavailable-every N]\n"
           "  --bind ADDRESS       address to listen on (default 127.0.0.1)\n"
           "  --port N             port to listen on, 0 for any free port (default 8000)\n"
           "  --data DIR           folder of the demo database DIR/demo-scale<N>.sqlite, generated when missing\n"
           "  --scale N            row-count factor of the demo data, 1 to 1000 (default 1)\n"
           "  --delay MS           wait MS milliseconds before each answer and between its pieces (default 0)\n"
           "  --call-delay MS      let each call take at least MS milliseconds, as on a loaded SAP system\n"
           "  --release R          classic (default) or modern: RFC_READ_TABLE as newer SAP releases answer it\n"
           "  --threads N          threads serving connections, 1 to 64 (default 4)\n"
           "  --max-connections N  open connections at most; more get HTTP 503 (default 256)\n"
           "  --per-address N      open connections from one address at most, 0 for no limit (default 64)\n"
           "  --timeout S          close a connection after S seconds without traffic (default 30)\n"
           "  --fail-table NAME    answer every read of the rows of table NAME with a SYSTEM_FAILURE, to try\n"
           "                       out how a client handles a runtime error on the server\n"
           "  --unavailable-every N  answer every N-th RFC_READ_TABLE of each session with HTTP 503, to try\n"
           "                       out how a client retries\n";
}

std::optional<ServerSettings> ServerSettings::parse(const std::vector<std::string>& args, std::string* error)
{
    ServerSettings s;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "--help" || name == "-h") {
            s.help = true;
            continue;
        }
        static const char* const withValue[] = {"--bind", "--port", "--data", "--scale", "--delay", "--release",
                                                "--threads", "--max-connections", "--per-address", "--timeout",
                                                "--fail-table", "--call-delay", "--unavailable-every"};
        bool takesValue = false;
        for (const char* known : withValue) takesValue = takesValue || name == known;
        if (!takesValue) {
            *error = "unknown argument " + args[i];
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                *error = name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        const auto bad = [&](const char* what) {
            *error = name + " " + *value + ": " + what;
            return std::nullopt;
        };
        if (name == "--bind") {
            if (value->empty()) return bad("an address is needed");
            s.bindAddress = *value;
        } else if (name == "--port") {
            if (!toNumber(*value, 0, 65535, &s.port)) return bad("not a port number (0 to 65535)");
        } else if (name == "--data") {
            if (value->empty()) return bad("a folder is needed");
            s.dataDir = *value;
        } else if (name == "--scale") {
            if (!toNumber(*value, 1, 1000, &s.scale)) return bad("not a whole number from 1 to 1000");
        } else if (name == "--delay") {
            if (!toNumber(*value, 0, 600000, &s.delayMs)) return bad("not a number of milliseconds (0 to 600000)");
        } else if (name == "--call-delay") {
            if (!toNumber(*value, 0, 600000, &s.callDelayMs)) return bad("not a number of milliseconds (0 to 600000)");
        } else if (name == "--unavailable-every") {
            if (!toNumber(*value, 0, 1000000, &s.unavailableEvery)) return bad("not a whole number from 0 to 1000000");
        } else if (name == "--release") {
            if (*value == "classic") s.release = demo::Profile::Classic;
            else if (*value == "modern") s.release = demo::Profile::ModernRelease;
            else return bad("not classic or modern");
        } else if (name == "--threads") {
            if (!toNumber(*value, 1, 64, &s.threads)) return bad("not a whole number from 1 to 64");
        } else if (name == "--max-connections") {
            if (!toNumber(*value, 1, 100000, &s.maxConnections)) return bad("not a whole number from 1 to 100000");
        } else if (name == "--per-address") {
            if (!toNumber(*value, 0, 100000, &s.perAddress)) return bad("not a whole number from 0 to 100000");
        } else if (name == "--timeout") {
            if (!toNumber(*value, 1, 86400, &s.timeoutSeconds)) return bad("not a number of seconds (1 to 86400)");
        } else if (name == "--fail-table") {
            if (value->empty()) return bad("a table name is needed");
            s.failTable = *value;
            for (char& c : s.failTable) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return s;
}

std::string ServerSettings::databasePath(const char* environmentValue) const
{
    if (!dataDir.empty())
        return (std::filesystem::path(dataDir) / ("demo-scale" + std::to_string(scale) + ".sqlite")).string();
    if (environmentValue && *environmentValue) {
        const std::string env(environmentValue);
        return env == ":memory:" ? std::string() : env;
    }
    return demo::defaultDatabasePath(scale);
}
