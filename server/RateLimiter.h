// A small burst of requests per client address, then a steady rate: a
// bucket per address that holds `burst` requests and refills at `perSecond`.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

class CRateLimiter {
public:
    // perSecond 0 turns the limit off.
    CRateLimiter(double perSecond, double burst) : perSecond(perSecond), burst(burst) {}

    // True when the request may go on; otherwise false, with the whole
    // seconds until it may be tried again.
    bool Admit(const std::string& client, int64_t nowMs, int* retryAfter);

private:
    struct SBucket {
        double tokens = 0;
        int64_t atMs = 0;
    };
    double perSecond;
    double burst;
    std::mutex mutex;
    std::unordered_map<std::string, SBucket> buckets;
    int64_t sweptMs = 0;
};
