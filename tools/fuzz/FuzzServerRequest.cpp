// Feeds a stranger's requests to the score service's handler, on a SQLite
// file and the game's own replay checker. Nothing may crash or hang, and
// every answer is either a success, a refusal (4xx) with a reason, or 503:
// never another 5xx.
//
// Input: a byte choosing the method, one choosing the path (with the next
// bytes appended to some), the query's pairs, a byte saying whether the
// session token is one the service issued, then the body.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "server/ScoreService.h"

namespace {

struct SFixture {
    std::string folder;
    CScoreStore store;
    CScoreService service;
    std::string token;
    uint32_t seed = 0;

    SFixture()
        : folder(
              (std::filesystem::temp_directory_path() / ("fuzz-server-" + std::to_string(getpid())))
                  .string()),
          store([this](std::string* error) { return OpenSqlite(folder + "/f.sqlite", error); }),
          service(store, CheckSession, SServiceLimits{}, [](void* buffer, size_t size) {
              static uint32_t state = 1;
              for (size_t i = 0; i < size; ++i) {
                  state = state * 214013u + 2531011u;
                  static_cast<uint8_t*>(buffer)[i] = static_cast<uint8_t>(state >> 16);
              }
          }) {
        std::filesystem::create_directories(folder);
        std::string error;
        if (store.Migrate(&error) != STORE_OK) {
            std::abort();
        }
        SApiRequest start;
        start.method = "POST";
        start.path = "/api/v1/sessions";
        const nlohmann::json session = nlohmann::json::parse(service.Handle(start).body);
        token = session["token"];
        seed = session["seed"];
    }
    ~SFixture() { std::filesystem::remove_all(folder); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SFixture fixture;
    FuzzedDataProvider input(data, size);
    static const char* const methods[] = {"GET", "POST", "HEAD", "PUT", "DELETE", "OPTIONS"};
    static const char* const paths[] = {"/api/v1/sessions", "/api/v1/replays", "/api/v1/top",
                                        "/api/v1/replays/", "/api/v1/",        "/api/"};
    SApiRequest request;
    request.method = methods[input.ConsumeIntegralInRange<size_t>(0, 5)];
    const size_t path = input.ConsumeIntegralInRange<size_t>(0, 5);
    request.path = paths[path];
    if (path >= 3) {
        request.path += input.ConsumeRandomLengthString(24);
    }
    for (int pairs = input.ConsumeIntegralInRange(0, 3); pairs > 0; --pairs) {
        const std::string key = input.ConsumeBool() ? (input.ConsumeBool() ? "limit" : "name")
                                                    : input.ConsumeRandomLengthString(8);
        request.query.emplace(key, input.ConsumeRandomLengthString(40));
    }
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            request.authorization = "Bearer " + fixture.token;
            break;
        case 1:
            request.authorization = input.ConsumeRandomLengthString(48);
            break;
        default:
            break;
    }
    // Mostly long after the session began, so that the play time may pass.
    request.nowMs = input.ConsumeIntegralInRange<int64_t>(0, int64_t{1} << 42);
    request.body = input.ConsumeRemainingBytesAsString();
    // Often a replay that starts from the session's own state.
    if (!request.body.empty() && (request.body[0] & 1) != 0) {
        request.body =
            "#miruto-nana-replay 1 game=1.0.0 form=linux seed=" + std::to_string(fixture.seed) +
            " time=2026-01-01T00:00:00Z\nseed " + std::to_string(fixture.seed) + "\n" +
            request.body.substr(1);
    }

    const SApiResponse answer = fixture.service.Handle(request);
    if (answer.status < 200 || (answer.status >= 500 && answer.status != 503)) {
        std::abort();
    }
    if (answer.contentType == "application/json") {
        const nlohmann::json body = nlohmann::json::parse(answer.body, nullptr, false);
        if (body.is_discarded() || (answer.status >= 400 && !body.contains("error"))) {
            std::abort();
        }
    }
    return 0;
}
