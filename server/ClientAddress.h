// Whose request it is: the peer's address, or, when the peer is one of the
// proxies the configuration trusts, the address its forwarded-for header
// names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// An IPv4 or IPv6 network, e.g. "10.0.0.0/8", "::1" or "2001:db8::/32". An
// IPv4 address also matches its IPv4-mapped IPv6 form.
class CNetwork {
public:
    // False when `text` is no address or network.
    bool Parse(const std::string& text);
    bool Contains(const std::string& address) const;

private:
    std::array<uint8_t, 16> bytes{};
    int prefix = 0;  // in bits, of the 16-byte form
};

class CClientAddress {
public:
    // False, naming the entry, when one of the proxies is not an address.
    bool SetTrustedProxies(const std::vector<std::string>& proxies, std::string* bad);
    // The client: `peer` itself unless it is trusted; else, walking the
    // forwarded-for list from its end, the first address not trusted (the
    // one the trusted proxies were handed the request by).
    std::string Resolve(const std::string& peer, const std::string& forwardedFor) const;

private:
    bool Trusted(const std::string& address) const;
    std::vector<CNetwork> trusted;
};

// The 16-byte form of an address (IPv4 as IPv4-mapped IPv6); false when
// `text` is no address.
bool ParseAddress(const std::string& text, std::array<uint8_t, 16>* bytes);
