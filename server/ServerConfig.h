// The service's settings: a configuration file of "key = value" lines, then
// the command line's options over it.
#pragma once

#include <string>
#include <vector>

struct SServerConfig {
    std::string listen = "127.0.0.1";
    int port = 8000;
    // The folder of the SQLite database (and nothing else).
    std::string dataDir = ".";
    // A PostgreSQL connection string; empty for SQLite in dataDir.
    std::string database;
    // The browser form's files, served at "/"; empty for none.
    std::string siteDir;
    std::vector<std::string> trustedProxies;
    double ratePerSecond = 5;  // 0: no limit
    double rateBurst = 20;
    int threads = 16;
    int readTimeoutSeconds = 10;
    int maxBodyKiB = 1024;
};

// Reads the file's lines into `config`. False, with "FILE:LINE: reason",
// when it cannot be read or a line is wrong.
bool ReadConfigFile(const std::string& path, SServerConfig* config, std::string* error);
// Applies one setting by its key (as in the file). False, with the reason,
// for an unknown key or a bad value.
bool SetConfigValue(SServerConfig* config, const std::string& key, const std::string& value,
                    std::string* error);
// The command line: --config FILE first, then "--key value" for any key
// (dashes for underscores), --help. False, with the reason, on a bad one.
// `help` is set for --help.
bool ParseCommandLine(int argc, char** argv, SServerConfig* config, bool* help, std::string* error);

extern const char* const kServerUsage;
