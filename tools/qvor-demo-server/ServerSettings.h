#pragma once
// What the command line of qvor-demo-server asks for, and where the demo database lives.
#include "demosystem/DemoSystem.h"

#include <optional>
#include <string>
#include <vector>

struct ServerSettings {
    std::string bindAddress = "127.0.0.1";
    int port = 8000;
    std::string dataDir;   // empty: the per-user default
    int scale = 1;
    int delayMs = 0;
    int callDelayMs = 0;           // an answer goes out no sooner than this after its request came
    int unavailableEvery = 0;      // every n-th read of each session answers 503; 0: none
    std::string failTable;   // every read of this table's rows answers SYSTEM_FAILURE
    demo::Profile release = demo::Profile::Classic;
    // Guards against clients that hold connections or send too much.
    int threads = 4;
    int maxConnections = 256;    // beyond: 503
    int perAddress = 64;         // connections from one address; 0: no limit
    int timeoutSeconds = 30;     // a connection idle this long is closed
    bool help = false;

    static const char* usage();

    // Reads the arguments after the program name; nothing (and the reason in error) on a usage error.
    static std::optional<ServerSettings> parse(const std::vector<std::string>& args, std::string* error);

    // The database file: DIR/demo-scale<N>.sqlite with --data, else QVOR_DEMO_DATABASE (":memory:"
    // for none at all, any other value names the file), else the per-user default. Empty means in memory.
    std::string databasePath(const char* environmentValue) const;
};
