// The world table as the database keeps it: sessions and their single-use
// tokens, the replays sent, and every verified game. The schema is made by
// numbered migrations run at start-up; the same statements serve SQLite and
// PostgreSQL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/GroupCommit.h"
#include "server/Sql.h"
#include "server/StoreStatus.h"

struct SSession {
    uint32_t seed = 1;
    int64_t issuedMs = 0;
    int64_t expiresMs = 0;
    bool used = false;
};

struct SNewGame {
    int32_t score = 0;
    std::string name;  // UTF-8
    int64_t endTick = 0;
};

struct SStoredGame {
    int64_t id = 0;
    int32_t score = 0;
    int64_t rank = 0;  // 1 + the games with a higher score
    std::string name;
    int64_t timeMs = 0;  // when it was stored, in ms since 1970 (UTC)
};

class CScoreStore {
public:
    explicit CScoreStore(SqlOpener opener) : pool(std::move(opener)) {}

    // Brings the schema up to date (several instances may start at once).
    StoreStatus Migrate(std::string* error);
    int SchemaVersion() const;

    StoreStatus AddSession(const std::string& token, uint32_t seed, int64_t nowMs,
                           int64_t expiresMs, std::string* error);
    StoreStatus FindSession(const std::string& token, SSession* session, std::string* error);
    // In one transaction: uses the token up (STORE_TOKEN_SPENT when another
    // request did first, or it ran out), stores the replay and its games, and
    // reads back each game's id and rank. Returns once they are committed;
    // submissions that arrive together share one commit.
    StoreStatus StoreReplay(const std::string& token, int64_t nowMs, const std::string& replay,
                            int64_t ticks, const std::vector<SNewGame>& games,
                            std::vector<SStoredGame>* stored, std::string* error);
    // The best `limit` games, best first; among equal scores the earlier.
    StoreStatus Top(int limit, std::vector<SStoredGame>* games, std::string* error);
    // The replay a game was played in, and the game's place in it (from 1).
    StoreStatus FindReplay(int64_t gameId, std::string* text, int* gameIndex, std::string* error);

private:
    // One statement on a borrowed connection.
    StoreStatus Query(const std::string& sql, const std::vector<SqlValue>& params,
                      std::vector<SqlRow>* rows, std::string* error);
    StoreStatus WriteReplay(CSqlConnection* db, const std::string& token, int64_t nowMs,
                            const std::string& replay, int64_t ticks,
                            const std::vector<SNewGame>& games, std::vector<SStoredGame>* stored,
                            std::string* error);

    CSqlPool pool;
    CGroupCommit writer{pool};
    int version = 0;
};
