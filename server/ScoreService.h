// The score service's requests and answers, apart from HTTP itself: starting
// a session, taking a sent replay, the top list and a stored replay.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "server/ScoreStore.h"
#include "server/SessionCheck.h"

struct SApiRequest {
    std::string method;
    std::string path;
    std::multimap<std::string, std::string> query;  // decoded
    std::string authorization;                      // the header, as sent
    std::string body;
    int64_t nowMs = 0;
};

struct SApiResponse {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
};

struct SServiceLimits {
    // Long enough for the longest session a replay may hold.
    int64_t tokenLifetimeMs = 3LL * 3600 * 1000;
    int64_t maxPlayTicks = 2LL * 3600 * 25;  // two hours
    size_t maxReplayBytes = 1u << 20;
    // Play time may run this far ahead of the clock: a page's timer and the
    // way to the server are not exact.
    int64_t clockSlackMs = 2000;
    int retryAfterSeconds = 2;
};

class CScoreService {
public:
    // `randomBytes` fills a buffer with unpredictable bytes.
    CScoreService(CScoreStore& store, SessionChecker checker, SServiceLimits limits,
                  std::function<void(void*, size_t)> randomBytes);

    // Every /api/ request.
    SApiResponse Handle(const SApiRequest& request);
    // A JSON error answer: {"error": reason}.
    static SApiResponse Error(int status, const std::string& reason);

private:
    SApiResponse StartSession(const SApiRequest& request);
    SApiResponse TakeReplay(const SApiRequest& request);
    SApiResponse ListTop(const SApiRequest& request);
    SApiResponse SendReplay(const std::string& id);
    SApiResponse StoreError(StoreStatus status, const std::string& detail) const;

    CScoreStore& store;
    SessionChecker checker;
    SServiceLimits limits;
    std::function<void(void*, size_t)> randomBytes;
};

// Milliseconds since 1970 as "2024-05-01T12:34:56Z".
std::string IsoTime(int64_t ms);
