// The score service's parts on their own: the store on a SQLite file, the
// requests with a checker of the test's own, the client's address behind
// proxies, the rate limit and the name rules.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "server/ClientAddress.h"
#include "server/NameRules.h"
#include "server/RateLimiter.h"
#include "server/ScoreService.h"

namespace {

using nlohmann::json;

class ScoreServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("score-service-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::string error;
        ASSERT_EQ(store.Migrate(&error), STORE_OK) << error;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // The checker of these tests: a body "SEED TICKS SCORE[:NAME] ..." is a
    // session that ran; any other body does not run.
    static bool Check(std::string_view replay, SCheckedSession* session, std::string* error) {
        std::istringstream words{std::string(replay)};
        std::string word;
        if (!(words >> session->seed >> session->ticks)) {
            *error = "does not run";
            return false;
        }
        while (words >> word) {
            SCheckedGame game;
            const size_t colon = word.find(':');
            game.score = std::stoi(word.substr(0, colon));
            game.named = colon != std::string::npos;
            game.name = game.named ? word.substr(colon + 1) : "";
            session->games.push_back(game);
        }
        return true;
    }

    SApiResponse Send(const std::string& method, const std::string& path,
                      const std::string& body = "", const std::string& token = "",
                      std::multimap<std::string, std::string> query = {}) {
        SApiRequest request;
        request.method = method;
        request.path = path;
        request.body = body;
        request.query = std::move(query);
        if (!token.empty()) {
            request.authorization = "Bearer " + token;
        }
        request.nowMs = nowMs;
        return service.Handle(request);
    }

    // A new session: its token and seed.
    std::pair<std::string, uint32_t> Start() {
        const SApiResponse answer = Send("POST", "/api/v1/sessions");
        EXPECT_EQ(answer.status, 201) << answer.body;
        const json value = json::parse(answer.body);
        return {value["token"], value["seed"]};
    }

    json Top(int limit = 100) {
        const SApiResponse answer =
            Send("GET", "/api/v1/top", "", "", {{"limit", std::to_string(limit)}});
        EXPECT_EQ(answer.status, 200) << answer.body;
        return json::parse(answer.body)["scores"];
    }

    std::filesystem::path folder;
    CScoreStore store{[this](std::string* error) {
        return OpenSqlite((folder / "scores.sqlite").string(), error);
    }};
    uint32_t nextRandom = 7;
    CScoreService service{store, Check, SServiceLimits{}, [this](void* buffer, size_t size) {
                              for (size_t i = 0; i < size; ++i) {
                                  nextRandom = nextRandom * 1103515245u + 12345u;
                                  static_cast<uint8_t*>(buffer)[i] =
                                      static_cast<uint8_t>(nextRandom >> 16);
                              }
                          }};
    int64_t nowMs = 1700000000000;
};

TEST_F(ScoreServiceTest, VerifiedGamesAreRankedListedAndTheirReplayComesBack) {
    auto [token, seed] = Start();
    nowMs += 60000;
    const std::string replay = std::to_string(seed) + " 1500 30:ミルト 55 30:nana";
    const SApiResponse sent = Send("POST", "/api/v1/replays", replay, token, {{"name", "ナナ"}});
    ASSERT_EQ(sent.status, 201) << sent.body;
    const json games = json::parse(sent.body)["games"];
    ASSERT_EQ(games.size(), 3u);
    // Ranks count the better games only: the two 30s share second place.
    EXPECT_EQ(games[0]["rank"], 2);
    EXPECT_EQ(games[1]["rank"], 1);
    EXPECT_EQ(games[2]["rank"], 2);

    auto [token2, seed2] = Start();
    nowMs += 1000;
    const SApiResponse later =
        Send("POST", "/api/v1/replays", std::to_string(seed2) + " 10 40:x", token2);
    ASSERT_EQ(later.status, 201) << later.body;
    EXPECT_EQ(json::parse(later.body)["games"][0]["rank"], 2);

    const json top = Top();
    ASSERT_EQ(top.size(), 4u);
    std::vector<std::tuple<int, std::string, int>> rows;
    for (const json& row : top) {
        rows.emplace_back(row["rank"], row["name"], row["score"]);
    }
    const std::vector<std::tuple<int, std::string, int>> expected = {
        {1, "ナナ", 55}, {2, "x", 40}, {3, "ミルト", 30}, {3, "nana", 30}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(top[0]["time"], "2023-11-14T22:14:20Z");
    EXPECT_EQ(Top(2).size(), 2u);

    const SApiResponse back =
        Send("GET", "/api/v1/replays/" + std::to_string(int64_t(top[3]["id"])));
    EXPECT_EQ(back.status, 200);
    EXPECT_EQ(back.body, replay);

    // A second instance on the same file sees the same table.
    CScoreStore again{[this](std::string* error) {
        return OpenSqlite((folder / "scores.sqlite").string(), error);
    }};
    std::string error;
    ASSERT_EQ(again.Migrate(&error), STORE_OK) << error;
    std::vector<SStoredGame> listed;
    ASSERT_EQ(again.Top(10, &listed, &error), STORE_OK);
    EXPECT_EQ(listed.size(), 4u);
}

TEST_F(ScoreServiceTest, RefusedSubmissionsStoreNothingAndSayWhy) {
    auto [token, seed] = Start();
    const std::string good = std::to_string(seed) + " 250 15:a";
    nowMs += 5000;  // the replay's 10 s have not passed yet
    EXPECT_EQ(Send("POST", "/api/v1/replays", good, token).status, 422);
    nowMs += 5000;
    struct SCase {
        std::string body, token;
        std::multimap<std::string, std::string> query;
        int status;
    };
    const std::vector<SCase> cases = {
        {good, "", {}, 401},
        {good, std::string(32, 'f'), {}, 401},
        {good, token.substr(0, 31) + "G", {}, 401},
        {"not a replay", token, {}, 422},
        {std::to_string(seed + 1) + " 250 15:a", token, {}, 422},
        {std::to_string(seed) + " 250", token, {}, 422},
        {std::to_string(seed) + " 250 15", token, {}, 400},
        {std::to_string(seed) + " 250 15", token, {{"name", "two words"}}, 400},
        {std::to_string(seed) + " 250 15:\x01", token, {}, 422},
        {good + "\xff", token, {}, 400},
        {std::string(2u << 20, '1'), token, {}, 413},
    };
    for (const SCase& c : cases) {
        const SApiResponse answer = Send("POST", "/api/v1/replays", c.body, c.token, c.query);
        EXPECT_EQ(answer.status, c.status) << c.body.substr(0, 40);
        EXPECT_FALSE(json::parse(answer.body)["error"].get<std::string>().empty());
    }
    EXPECT_TRUE(Top().empty());
    // The token was never used up by a refusal; once used it is spent.
    EXPECT_EQ(Send("POST", "/api/v1/replays", good, token).status, 201);
    EXPECT_EQ(Send("POST", "/api/v1/replays", good, token).status, 409);
    EXPECT_EQ(Top().size(), 1u);

    // A token past its lifetime.
    auto [old, oldSeed] = Start();
    nowMs += SServiceLimits{}.tokenLifetimeMs;
    EXPECT_EQ(Send("POST", "/api/v1/replays", std::to_string(oldSeed) + " 1 5:a", old).status, 401);

    for (const char* limit : {"0", "101", "-1", "1e2", "", "010"}) {
        EXPECT_EQ(Send("GET", "/api/v1/top", "", "", {{"limit", limit}}).status, 400) << limit;
    }
    for (const char* id : {"0", "abc", "99999999999999999999", "1/2", ""}) {
        EXPECT_EQ(Send("GET", std::string("/api/v1/replays/") + id).status, 400) << id;
    }
    EXPECT_EQ(Send("GET", "/api/v1/replays/999").status, 404);
    EXPECT_EQ(Send("GET", "/api/v1/sessions").status, 405);
}

TEST(ClientAddressTest, OnlyTrustedProxiesAreBelieved) {
    CClientAddress clients;
    std::string bad;
    EXPECT_FALSE(clients.SetTrustedProxies({"10.0.0.0/33"}, &bad));
    ASSERT_TRUE(clients.SetTrustedProxies({"127.0.0.1", "10.0.0.0/8", "fd00::/8"}, &bad));
    // A stranger cannot name another client.
    EXPECT_EQ(clients.Resolve("203.0.113.9", "198.51.100.1"), "203.0.113.9");
    // Through two of our proxies; what the client wrote in front is not believed.
    EXPECT_EQ(clients.Resolve("127.0.0.1", "6.6.6.6, 198.51.100.7, 10.1.2.3"), "198.51.100.7");
    EXPECT_EQ(clients.Resolve("::ffff:127.0.0.1", "2001:db8::5"), "2001:db8::5");
    EXPECT_EQ(clients.Resolve("fd12::1", ""), "fd12::1");
    EXPECT_EQ(clients.Resolve("127.0.0.1", "garbage, 10.0.0.1"), "10.0.0.1");
}

TEST(RateLimiterTest, ABurstThenTheSteadyRateForEachClientAlone) {
    CRateLimiter limiter(2, 3);
    int retry = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limiter.Admit("a", 1000, &retry));
    }
    EXPECT_FALSE(limiter.Admit("a", 1000, &retry));
    EXPECT_EQ(retry, 1);
    EXPECT_TRUE(limiter.Admit("b", 1000, &retry));
    EXPECT_TRUE(limiter.Admit("a", 1500, &retry));
    EXPECT_FALSE(limiter.Admit("a", 1500, &retry));
}

TEST(NameRulesTest, TheNameEntrysRules) {
    EXPECT_TRUE(IsPlayerName("ミルトとナナ"));      // 12 bytes in the score file
    EXPECT_TRUE(IsPlayerName("abcdefghijklmn"));    // 14
    EXPECT_FALSE(IsPlayerName("abcdefghijklmno"));  // 15
    EXPECT_TRUE(IsPlayerName("ミルトとナナと"));    // 14
    EXPECT_FALSE(IsPlayerName("ミルトとナナとx"));  // 15
    EXPECT_FALSE(IsPlayerName("a b"));
    EXPECT_FALSE(IsPlayerName("a\tb"));
    EXPECT_FALSE(IsPlayerName("a\x7f"));
    EXPECT_FALSE(IsPlayerName(""));
    EXPECT_FALSE(IsPlayerName("\xf0\x9f\x98\x80"));  // no code in the score file's code page
    EXPECT_FALSE(IsPlayerName("\xc0\xaf"));          // an overlong '/'
    EXPECT_TRUE(IsPlayerName("<b>&amp;"));           // shown as text, so taken as text
}

}  // namespace
