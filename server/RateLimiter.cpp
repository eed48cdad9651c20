#include "server/RateLimiter.h"

#include <algorithm>
#include <cmath>

bool CRateLimiter::Admit(const std::string& client, int64_t nowMs, int* retryAfter) {
    if (perSecond <= 0) {
        return true;
    }
    std::lock_guard<std::mutex> lock(mutex);
    // Buckets that have filled up again say nothing a new one would not:
    // drop them now and then, so that many addresses cannot fill memory.
    const int64_t fullAfterMs = static_cast<int64_t>(burst / perSecond * 1000.0) + 1;
    if (nowMs - sweptMs > std::max<int64_t>(fullAfterMs, 10000)) {
        for (auto it = buckets.begin(); it != buckets.end();) {
            it = nowMs - it->second.atMs > fullAfterMs ? buckets.erase(it) : std::next(it);
        }
        sweptMs = nowMs;
    }
    auto [it, added] = buckets.try_emplace(client, SBucket{burst, nowMs});
    SBucket& bucket = it->second;
    if (!added && nowMs > bucket.atMs) {
        bucket.tokens = std::min(burst, bucket.tokens + (nowMs - bucket.atMs) / 1000.0 * perSecond);
        bucket.atMs = nowMs;
    }
    if (bucket.tokens >= 1.0) {
        bucket.tokens -= 1.0;
        return true;
    }
    if (retryAfter != nullptr) {
        *retryAfter = std::max(1, static_cast<int>(std::ceil((1.0 - bucket.tokens) / perSecond)));
    }
    return false;
}
