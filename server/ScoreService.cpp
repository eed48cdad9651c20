#include "server/ScoreService.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>
#include <semaphore>
#include <thread>

#include "server/NameRules.h"

namespace {

using nlohmann::json;

constexpr int64_t kTickMs = 40;
constexpr size_t kTokenBytes = 16;

SApiResponse Json(int status, const json& value) {
    SApiResponse response;
    response.status = status;
    response.body = value.dump();
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

bool IsToken(const std::string& text) {
    return text.size() == kTokenBytes * 2 &&
           text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A whole decimal number from 1 to `high`, digits only.
bool ParsePositive(const std::string& text, int64_t high, int64_t* value) {
    if (text.empty() || text.size() > 18 || text[0] == '0' ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::stoll(text);
    return *value <= high;
}

// Verifications use the processor to the full; more of them at once than
// there are cores would only make each one slower.
std::counting_semaphore<1024>& VerifySlots() {
    static std::counting_semaphore<1024> slots(
        std::clamp<ptrdiff_t>(std::thread::hardware_concurrency(), 1, 1024));
    return slots;
}

}  // namespace

std::string IsoTime(int64_t ms) {
    const time_t seconds = static_cast<time_t>(ms / 1000);
    tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

CScoreService::CScoreService(CScoreStore& store, SessionChecker checker, SServiceLimits limits,
                             std::function<void(void*, size_t)> randomBytes)
    : store(store),
      checker(std::move(checker)),
      limits(limits),
      randomBytes(std::move(randomBytes)) {}

SApiResponse CScoreService::Error(int status, const std::string& reason) {
    return Json(status, json{{"error", reason}});
}

SApiResponse CScoreService::StoreError(StoreStatus status, const std::string& detail) const {
    if (status == STORE_UNAVAILABLE) {
        std::fprintf(stderr, "miruto-nana-server: database unavailable: %s\n", detail.c_str());
        SApiResponse response =
            Error(503, "データベースに接続できません。しばらくしてからもう一度どうぞ");
        response.headers.emplace_back("Retry-After", std::to_string(limits.retryAfterSeconds));
        return response;
    }
    std::fprintf(stderr, "miruto-nana-server: database: %s\n", detail.c_str());
    return Error(500, "サーバーの内部エラーです");
}

SApiResponse CScoreService::Handle(const SApiRequest& request) {
    const std::string prefix = "/api/v1/";
    const std::string& path = request.path;
    const auto only = [&](const char* method) {
        SApiResponse response = Error(405, "このメソッドは使えません");
        response.headers.emplace_back("Allow", method);
        return response;
    };
    if (path == prefix + "sessions") {
        return request.method == "POST" ? StartSession(request) : only("POST");
    }
    if (path == prefix + "replays") {
        return request.method == "POST" ? TakeReplay(request) : only("POST");
    }
    if (path == prefix + "top") {
        return request.method == "GET" || request.method == "HEAD" ? ListTop(request) : only("GET");
    }
    if (path.rfind(prefix + "replays/", 0) == 0) {
        if (request.method != "GET" && request.method != "HEAD") {
            return only("GET");
        }
        return SendReplay(path.substr(prefix.size() + 8));
    }
    return Error(404, "そのAPIはありません");
}

SApiResponse CScoreService::StartSession(const SApiRequest& request) {
    uint8_t bytes[kTokenBytes];
    randomBytes(bytes, sizeof bytes);
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (uint8_t byte : bytes) {
        token += digits[byte >> 4];
        token += digits[byte & 15];
    }
    uint32_t seed = 0;
    while (seed == 0) {
        randomBytes(&seed, sizeof seed);
    }
    std::string detail;
    const StoreStatus status = store.AddSession(token, seed, request.nowMs,
                                                request.nowMs + limits.tokenLifetimeMs, &detail);
    if (status != STORE_OK) {
        return StoreError(status, detail);
    }
    return Json(201, json{{"seed", seed}, {"token", token}});
}

SApiResponse CScoreService::TakeReplay(const SApiRequest& request) {
    const std::string bearer = "Bearer ";
    if (request.authorization.rfind(bearer, 0) != 0 ||
        !IsToken(request.authorization.substr(bearer.size()))) {
        SApiResponse response = Error(401, "セッションのトークンがありません");
        response.headers.emplace_back("WWW-Authenticate", "Bearer");
        return response;
    }
    const std::string token = request.authorization.substr(bearer.size());
    if (request.body.empty()) {
        return Error(400, "リプレイがありません");
    }
    if (request.body.size() > limits.maxReplayBytes) {
        return Error(413, "リプレイが大きすぎます");
    }
    if (!IsCleanUtf8(request.body)) {
        return Error(400, "リプレイの文字が正しくありません");
    }
    std::string givenName;
    if (request.query.count("name") > 1) {
        return Error(400, "名前は一つだけです");
    }
    if (auto found = request.query.find("name"); found != request.query.end()) {
        givenName = found->second;
        if (!IsPlayerName(givenName)) {
            return Error(400, "その名前は使えません");
        }
    }

    SSession session;
    std::string detail;
    StoreStatus status = store.FindSession(token, &session, &detail);
    if (status == STORE_NOT_FOUND || (status == STORE_OK && session.expiresMs <= request.nowMs)) {
        return Error(401, "セッションのトークンが無効か、期限切れです");
    }
    if (status != STORE_OK) {
        return StoreError(status, detail);
    }
    if (session.used) {
        return Error(409, "このセッションはもう送信されています");
    }

    SCheckedSession checked;
    std::string reason;
    bool ran;
    {
        VerifySlots().acquire();
        ran = checker(request.body, &checked, &reason);
        VerifySlots().release();
    }
    if (!ran) {
        return Json(422, json{{"error", "リプレイを検証できませんでした"}, {"reason", reason}});
    }
    if (checked.seed != session.seed) {
        return Error(422, "リプレイの開始状態がセッションと違います");
    }
    if (checked.ticks < 0 || checked.ticks > limits.maxPlayTicks) {
        return Error(422, "プレイ時間が長すぎます");
    }
    if (checked.ticks * kTickMs > request.nowMs - session.issuedMs + limits.clockSlackMs) {
        return Error(422, "プレイ時間がセッションを始めてからの時間より長くなっています");
    }
    if (checked.games.empty()) {
        return Error(422, "終わったゲームがありません");
    }
    std::vector<SNewGame> games;
    for (const SCheckedGame& game : checked.games) {
        SNewGame stored;
        stored.score = game.score;
        stored.endTick = game.endTick;
        if (game.named && !game.name.empty()) {
            if (!IsPlayerName(game.name)) {
                return Error(422, "リプレイの名前が正しくありません");
            }
            stored.name = game.name;
        } else if (!givenName.empty()) {
            stored.name = givenName;
        } else {
            return Error(400, "名前を入力していないゲームには、送信するときに名前が要ります");
        }
        games.push_back(std::move(stored));
    }

    std::vector<SStoredGame> stored;
    status = store.StoreReplay(token, request.nowMs, request.body, checked.ticks, games, &stored,
                               &detail);
    if (status == STORE_TOKEN_SPENT) {
        return Error(409, "このセッションはもう送信されています");
    }
    if (status != STORE_OK) {
        return StoreError(status, detail);
    }
    json list = json::array();
    for (const SStoredGame& game : stored) {
        list.push_back({{"id", game.id}, {"score", game.score}, {"rank", game.rank}});
    }
    return Json(201, json{{"games", list}});
}

SApiResponse CScoreService::ListTop(const SApiRequest& request) {
    int64_t limit = 10;
    if (request.query.count("limit") > 1) {
        return Error(400, "limit は一つだけです");
    }
    if (auto found = request.query.find("limit"); found != request.query.end()) {
        if (!ParsePositive(found->second, 100, &limit)) {
            return Error(400, "limit は 1 から 100 までの整数です");
        }
    }
    std::vector<SStoredGame> games;
    std::string detail;
    const StoreStatus status = store.Top(static_cast<int>(limit), &games, &detail);
    if (status != STORE_OK) {
        return StoreError(status, detail);
    }
    json list = json::array();
    for (const SStoredGame& game : games) {
        list.push_back({{"rank", game.rank},
                        {"name", game.name},
                        {"score", game.score},
                        {"id", game.id},
                        {"time", IsoTime(game.timeMs)}});
    }
    return Json(200, json{{"scores", list}});
}

SApiResponse CScoreService::SendReplay(const std::string& id) {
    int64_t gameId = 0;
    if (!ParsePositive(id, INT64_MAX / 10, &gameId)) {
        return Error(400, "ゲームの番号が正しくありません");
    }
    std::string text;
    int gameIndex = 0;
    std::string detail;
    const StoreStatus status = store.FindReplay(gameId, &text, &gameIndex, &detail);
    if (status == STORE_NOT_FOUND) {
        return Error(404, "そのゲームはありません");
    }
    if (status != STORE_OK) {
        return StoreError(status, detail);
    }
    SApiResponse response;
    response.body = std::move(text);
    response.contentType = "text/plain; charset=utf-8";
    // The game's place among the session's games, for a viewer that shows
    // only that one.
    response.headers.emplace_back("X-Game-Index", std::to_string(gameIndex));
    response.headers.emplace_back("Cache-Control", "public, max-age=86400, immutable");
    return response;
}
