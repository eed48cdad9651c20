#include "server/ServerConfig.h"

#include <fstream>

namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ReadInt(const std::string& value, int low, int high, int* out) {
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const int parsed = std::stoi(value);
    if (parsed < low || parsed > high) {
        return false;
    }
    *out = parsed;
    return true;
}

bool ReadRate(const std::string& value, double* out) {
    int whole = 0;
    if (!ReadInt(value, 0, 1000000, &whole)) {
        return false;
    }
    *out = whole;
    return true;
}

}  // namespace

const char* const kServerUsage =
    "usage: miruto-nana-server [--config FILE] [--listen ADDRESS] [--port N]\n"
    "                          [--data DIR] [--database CONNINFO] [--site DIR]\n"
    "                          [--trusted-proxies LIST] [--rate N] [--burst N]\n"
    "                          [--threads N] [--read-timeout SECONDS] [--max-body-kib N]\n";

bool SetConfigValue(SServerConfig* config, const std::string& key, const std::string& value,
                    std::string* error) {
    bool ok = true;
    if (key == "listen") {
        config->listen = value;
        ok = !value.empty();
    } else if (key == "port") {
        ok = ReadInt(value, 0, 65535, &config->port);
    } else if (key == "data") {
        config->dataDir = value;
        ok = !value.empty();
    } else if (key == "database") {
        config->database = value;
    } else if (key == "site") {
        config->siteDir = value;
    } else if (key == "trusted_proxies") {
        config->trustedProxies.clear();
        size_t start = 0;
        while (start <= value.size()) {
            size_t end = value.find_first_of(", ", start);
            if (end == std::string::npos) {
                end = value.size();
            }
            if (end > start) {
                config->trustedProxies.push_back(value.substr(start, end - start));
            }
            start = end + 1;
        }
    } else if (key == "rate") {
        ok = ReadRate(value, &config->ratePerSecond);
    } else if (key == "burst") {
        ok = ReadRate(value, &config->rateBurst) && config->rateBurst >= 1;
    } else if (key == "threads") {
        ok = ReadInt(value, 1, 256, &config->threads);
    } else if (key == "read_timeout") {
        ok = ReadInt(value, 1, 3600, &config->readTimeoutSeconds);
    } else if (key == "max_body_kib") {
        ok = ReadInt(value, 1, 65536, &config->maxBodyKiB);
    } else {
        *error = "unknown setting \"" + key + "\"";
        return false;
    }
    if (!ok) {
        *error = "bad value for " + key + ": \"" + value + "\"";
    }
    return ok;
}

bool ReadConfigFile(const std::string& path, SServerConfig* config, std::string* error) {
    std::ifstream file(path);
    if (!file) {
        *error = path + ": cannot be read";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t equals = line.find('=');
        std::string reason = "no \"=\"";
        if (equals == std::string::npos ||
            !SetConfigValue(config, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)),
                            &reason)) {
            *error = path + ":" + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    return true;
}

bool ParseCommandLine(int argc, char** argv, SServerConfig* config, bool* help,
                      std::string* error) {
    *help = false;
    // The file first, so that the options given beside it win.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--config" && !ReadConfigFile(argv[i + 1], config, error)) {
            return false;
        }
    }
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            *help = true;
            return true;
        }
        if (option.rfind("--", 0) != 0 || option.size() < 3) {
            *error = "unexpected argument \"" + option + "\"";
            return false;
        }
        if (i + 1 >= argc) {
            *error = option + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--config") {
            continue;
        }
        std::string key = option.substr(2);
        for (char& c : key) {
            if (c == '-') {
                c = '_';
            }
        }
        if (!SetConfigValue(config, key, value, error)) {
            return false;
        }
    }
    return true;
}
