#include "server/ClientAddress.h"

#include <arpa/inet.h>

#include <cstring>

bool ParseAddress(const std::string& text, std::array<uint8_t, 16>* bytes) {
    if (text.empty() || text.size() > 45) {
        return false;
    }
    in_addr v4;
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        bytes->fill(0);
        (*bytes)[10] = 0xff;
        (*bytes)[11] = 0xff;
        std::memcpy(bytes->data() + 12, &v4, 4);
        return true;
    }
    in6_addr v6;
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        std::memcpy(bytes->data(), &v6, 16);
        return true;
    }
    return false;
}

bool CNetwork::Parse(const std::string& text) {
    const size_t slash = text.find('/');
    const std::string address = text.substr(0, slash);
    if (!ParseAddress(address, &bytes)) {
        return false;
    }
    const bool v4 = address.find(':') == std::string::npos;
    const int width = v4 ? 32 : 128;
    int bits = width;
    if (slash != std::string::npos) {
        const std::string digits = text.substr(slash + 1);
        if (digits.empty() || digits.size() > 3 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        bits = std::stoi(digits);
        if (bits > width) {
            return false;
        }
    }
    prefix = bits + (v4 ? 96 : 0);
    return true;
}

bool CNetwork::Contains(const std::string& address) const {
    std::array<uint8_t, 16> other;
    if (!ParseAddress(address, &other)) {
        return false;
    }
    for (int bit = 0; bit < prefix; ++bit) {
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
        if ((bytes[bit / 8] & mask) != (other[bit / 8] & mask)) {
            return false;
        }
    }
    return true;
}

bool CClientAddress::SetTrustedProxies(const std::vector<std::string>& proxies, std::string* bad) {
    trusted.clear();
    for (const std::string& proxy : proxies) {
        CNetwork network;
        if (!network.Parse(proxy)) {
            if (bad != nullptr) {
                *bad = proxy;
            }
            return false;
        }
        trusted.push_back(network);
    }
    return true;
}

bool CClientAddress::Trusted(const std::string& address) const {
    for (const CNetwork& network : trusted) {
        if (network.Contains(address)) {
            return true;
        }
    }
    return false;
}

std::string CClientAddress::Resolve(const std::string& peer,
                                    const std::string& forwardedFor) const {
    if (!Trusted(peer)) {
        return peer;
    }
    std::string client = peer;
    size_t end = forwardedFor.size();
    while (end > 0) {
        const size_t comma = forwardedFor.rfind(',', end - 1);
        const size_t start = comma == std::string::npos ? 0 : comma + 1;
        std::string hop = forwardedFor.substr(start, end - start);
        const size_t first = hop.find_first_not_of(" \t");
        const size_t last = hop.find_last_not_of(" \t");
        hop = first == std::string::npos ? "" : hop.substr(first, last - first + 1);
        std::array<uint8_t, 16> bytes;
        if (!ParseAddress(hop, &bytes)) {
            // A hop no proxy of ours wrote: go no further back than the
            // last address we can vouch for.
            break;
        }
        client = hop;
        if (!Trusted(hop)) {
            break;
        }
        if (comma == std::string::npos) {
            break;
        }
        end = comma;
    }
    return client;
}
