#include "server/ScoreStore.h"

#include <algorithm>
#include <map>

namespace {

// The schema's history; a database is at the version of the last step it
// has run. "@ID@" is each dialect's self-numbering key.
const char* const kMigrations[] = {
    // 1: sessions, replays, games, and the count of games at each score that
    // ranks are read from.
    "CREATE TABLE sessions ("
    " token TEXT PRIMARY KEY,"
    " seed BIGINT NOT NULL,"
    " issued_ms BIGINT NOT NULL,"
    " expires_ms BIGINT NOT NULL,"
    " used_ms BIGINT);"
    "CREATE INDEX sessions_by_expiry ON sessions (expires_ms);"
    "CREATE TABLE replays ("
    " id @ID@,"
    " seed BIGINT NOT NULL,"
    " ticks BIGINT NOT NULL,"
    " body TEXT NOT NULL,"
    " received_ms BIGINT NOT NULL);"
    "CREATE TABLE games ("
    " id @ID@,"
    " replay_id BIGINT NOT NULL REFERENCES replays (id),"
    " game_index INTEGER NOT NULL,"
    " score BIGINT NOT NULL,"
    " name TEXT NOT NULL,"
    " end_tick BIGINT NOT NULL,"
    " created_ms BIGINT NOT NULL);"
    "CREATE INDEX games_by_score ON games (score DESC, id);"
    "CREATE TABLE score_counts ("
    " score BIGINT PRIMARY KEY,"
    " games BIGINT NOT NULL);",
};

std::string ForDialect(std::string sql, SqlDialect dialect) {
    const std::string key = dialect == SQL_DIALECT_SQLITE
                                ? "INTEGER PRIMARY KEY"
                                : "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY";
    for (size_t at = sql.find("@ID@"); at != std::string::npos; at = sql.find("@ID@", at)) {
        sql.replace(at, 4, key);
    }
    return sql;
}

std::vector<std::string> Statements(const std::string& script) {
    std::vector<std::string> statements;
    size_t start = 0;
    for (size_t end = script.find(';'); end != std::string::npos; end = script.find(';', start)) {
        statements.push_back(script.substr(start, end - start));
        start = end + 1;
    }
    return statements;
}

StoreStatus FromSql(SqlStatus status) {
    switch (status) {
        case SQL_OK:
            return STORE_OK;
        case SQL_UNAVAILABLE:
            return STORE_UNAVAILABLE;
        default:
            return STORE_FAILED;
    }
}

// Rows written by one statement at the most.
constexpr size_t kRowsAtOnce = 100;

// "($1, $2), ($3, $4)" for two rows of two columns.
std::string Placeholders(size_t rows, size_t columns) {
    std::string text;
    size_t n = 0;
    for (size_t r = 0; r < rows; ++r) {
        text += r == 0 ? "(" : ", (";
        for (size_t c = 0; c < columns; ++c) {
            text += (c == 0 ? "$" : ", $") + std::to_string(++n);
        }
        text += ")";
    }
    return text;
}

int64_t Number(const std::optional<std::string>& text) {
    return text ? std::stoll(*text) : 0;
}

// Ends a transaction that failed, and says why.
StoreStatus Abandon(CSqlConnection* db, SqlStatus status, std::string* error) {
    if (error != nullptr) {
        *error = db->LastError();
    }
    db->Run("ROLLBACK", {}, nullptr);
    return FromSql(status);
}

StoreStatus Unreachable(std::string* error, const std::string& reason) {
    if (error != nullptr) {
        *error = reason;
    }
    return STORE_UNAVAILABLE;
}

}  // namespace

StoreStatus CScoreStore::Migrate(std::string* error) {
    std::string reason;
    CSqlPool::CLease db = pool.Borrow(&reason);
    if (!db) {
        return Unreachable(error, reason);
    }
    SqlStatus status = db->Begin();
    if (status != SQL_OK) {
        return Abandon(db.get(), status, error);
    }
    // Instances that start together run the steps one after the other.
    if (db->Dialect() == SQL_DIALECT_POSTGRES) {
        status = db->Run("SELECT pg_advisory_xact_lock(7271)", {}, nullptr);
        if (status != SQL_OK) {
            return Abandon(db.get(), status, error);
        }
    }
    status =
        db->Run("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)", {}, nullptr);
    std::vector<SqlRow> rows;
    if (status == SQL_OK) {
        status = db->Run("SELECT MAX(version) FROM schema_version", {}, &rows);
    }
    if (status != SQL_OK) {
        return Abandon(db.get(), status, error);
    }
    int at = rows.empty() ? 0 : static_cast<int>(Number(rows[0][0]));
    const int latest = static_cast<int>(std::size(kMigrations));
    if (at > latest) {
        db->Run("ROLLBACK", {}, nullptr);
        if (error != nullptr) {
            *error = "the database was made by a newer version (schema " + std::to_string(at) + ")";
        }
        return STORE_FAILED;
    }
    for (; at < latest; ++at) {
        for (const std::string& statement :
             Statements(ForDialect(kMigrations[at], db->Dialect()))) {
            status = db->Run(statement, {}, nullptr);
            if (status != SQL_OK) {
                return Abandon(db.get(), status, error);
            }
        }
        status = db->Run("INSERT INTO schema_version (version) VALUES ($1)",
                         {static_cast<int64_t>(at + 1)}, nullptr);
        if (status != SQL_OK) {
            return Abandon(db.get(), status, error);
        }
    }
    status = db->Run("COMMIT", {}, nullptr);
    if (status != SQL_OK) {
        return Abandon(db.get(), status, error);
    }
    version = latest;
    return STORE_OK;
}

int CScoreStore::SchemaVersion() const {
    return version;
}

StoreStatus CScoreStore::AddSession(const std::string& token, uint32_t seed, int64_t nowMs,
                                    int64_t expiresMs, std::string* error) {
    // Tokens that ran out are of no more use, not even to refuse them.
    const StoreStatus status =
        Query("DELETE FROM sessions WHERE expires_ms < $1", {nowMs}, nullptr, error);
    if (status != STORE_OK) {
        return status;
    }
    return Query(
        "INSERT INTO sessions (token, seed, issued_ms, expires_ms) VALUES ($1, $2, $3, $4)",
        {token, static_cast<int64_t>(seed), nowMs, expiresMs}, nullptr, error);
}

StoreStatus CScoreStore::FindSession(const std::string& token, SSession* session,
                                     std::string* error) {
    std::vector<SqlRow> rows;
    const StoreStatus status =
        Query("SELECT seed, issued_ms, expires_ms, used_ms FROM sessions WHERE token = $1", {token},
              &rows, error);
    if (status != STORE_OK || rows.empty()) {
        return status != STORE_OK ? status : STORE_NOT_FOUND;
    }
    session->seed = static_cast<uint32_t>(Number(rows[0][0]));
    session->issuedMs = Number(rows[0][1]);
    session->expiresMs = Number(rows[0][2]);
    session->used = rows[0][3].has_value();
    return STORE_OK;
}

StoreStatus CScoreStore::StoreReplay(const std::string& token, int64_t nowMs,
                                     const std::string& replay, int64_t ticks,
                                     const std::vector<SNewGame>& games,
                                     std::vector<SStoredGame>* stored, std::string* error) {
    return writer.Run(
        [&](CSqlConnection* db, std::string* reason) {
            return WriteReplay(db, token, nowMs, replay, ticks, games, stored, reason);
        },
        error);
}

StoreStatus CScoreStore::WriteReplay(CSqlConnection* db, const std::string& token, int64_t nowMs,
                                     const std::string& replay, int64_t ticks,
                                     const std::vector<SNewGame>& games,
                                     std::vector<SStoredGame>* stored, std::string* error) {
    const auto failed = [&](SqlStatus status) {
        if (error != nullptr) {
            *error = db->LastError();
        }
        return FromSql(status == SQL_OK ? SQL_FAILED : status);
    };
    std::vector<SqlRow> rows;
    SqlStatus status = db->Run(
        "UPDATE sessions SET used_ms = $1 WHERE token = $2 AND used_ms IS NULL"
        " AND expires_ms > $1 RETURNING seed",
        {nowMs, token}, &rows);
    if (status != SQL_OK) {
        return failed(status);
    }
    if (rows.empty()) {
        return STORE_TOKEN_SPENT;
    }
    const int64_t seed = Number(rows[0][0]);
    rows.clear();
    status = db->Run(
        "INSERT INTO replays (seed, ticks, body, received_ms) VALUES ($1, $2, $3, $4)"
        " RETURNING id",
        {seed, ticks, replay, nowMs}, &rows);
    if (status != SQL_OK || rows.empty()) {
        return failed(status);
    }
    const int64_t replayId = Number(rows[0][0]);
    // The games in statements of up to kRowsAtOnce rows each: a round trip
    // to the database a statement, not a game.
    stored->assign(games.size(), SStoredGame{});
    std::map<int64_t, int64_t> added;  // score -> games, in ascending order
    for (size_t first = 0; first < games.size(); first += kRowsAtOnce) {
        const size_t last = std::min(games.size(), first + kRowsAtOnce);
        std::vector<SqlValue> values;
        for (size_t i = first; i < last; ++i) {
            values.insert(values.end(), {replayId, static_cast<int64_t>(i + 1),
                                         static_cast<int64_t>(games[i].score), games[i].name,
                                         games[i].endTick, nowMs});
        }
        rows.clear();
        status = db->Run(
            "INSERT INTO games (replay_id, game_index, score, name, end_tick, created_ms) VALUES " +
                Placeholders(last - first, 6) + " RETURNING id, game_index",
            values, &rows);
        if (status != SQL_OK || rows.size() != last - first) {
            return failed(status);
        }
        for (const SqlRow& row : rows) {
            const int64_t index = Number(row[1]);
            if (index <= static_cast<int64_t>(first) || index > static_cast<int64_t>(last)) {
                return failed(SQL_FAILED);
            }
            SStoredGame& game = (*stored)[index - 1];
            game.id = Number(row[0]);
        }
    }
    for (size_t i = 0; i < games.size(); ++i) {
        SStoredGame& game = (*stored)[i];
        game.score = games[i].score;
        game.name = games[i].name;
        game.timeMs = nowMs;
        ++added[games[i].score];
    }
    // In ascending order of score, so that two submissions never wait for
    // each other's rows the other way round.
    std::vector<SqlValue> counted;
    for (const auto& [score, count] : added) {
        counted.insert(counted.end(), {score, count});
    }
    if (!added.empty()) {
        status = db->Run("INSERT INTO score_counts (score, games) VALUES " +
                             Placeholders(added.size(), 2) +
                             " ON CONFLICT (score) DO UPDATE"
                             " SET games = score_counts.games + excluded.games",
                         counted, nullptr);
        if (status != SQL_OK) {
            return failed(status);
        }
    }
    if (added.empty()) {
        return STORE_OK;
    }
    // Every count above the lowest new score, read once, gives each game
    // its rank: one more than the games that scored higher.
    rows.clear();
    status = db->Run("SELECT score, games FROM score_counts WHERE score > $1",
                     {added.begin()->first}, &rows);
    if (status != SQL_OK) {
        return failed(status);
    }
    std::vector<std::pair<int64_t, int64_t>> counts;
    for (const SqlRow& row : rows) {
        counts.emplace_back(Number(row[0]), Number(row[1]));
    }
    for (SStoredGame& game : *stored) {
        game.rank = 1;
        for (const auto& [score, count] : counts) {
            game.rank += score > game.score ? count : 0;
        }
    }
    return STORE_OK;
}

StoreStatus CScoreStore::Top(int limit, std::vector<SStoredGame>* games, std::string* error) {
    std::vector<SqlRow> rows;
    const StoreStatus status =
        Query("SELECT id, name, score, created_ms FROM games ORDER BY score DESC, id ASC LIMIT $1",
              {static_cast<int64_t>(limit)}, &rows, error);
    if (status != STORE_OK) {
        return status;
    }
    games->clear();
    for (const SqlRow& row : rows) {
        SStoredGame game;
        game.id = Number(row[0]);
        game.name = row[1].value_or("");
        game.score = static_cast<int32_t>(Number(row[2]));
        game.timeMs = Number(row[3]);
        // Equal scores share the rank of the first of them.
        game.rank = games->empty() || games->back().score != game.score
                        ? static_cast<int64_t>(games->size()) + 1
                        : games->back().rank;
        games->push_back(game);
    }
    return STORE_OK;
}

StoreStatus CScoreStore::FindReplay(int64_t gameId, std::string* text, int* gameIndex,
                                    std::string* error) {
    std::vector<SqlRow> rows;
    const StoreStatus status = Query(
        "SELECT replays.body, games.game_index FROM games"
        " JOIN replays ON replays.id = games.replay_id WHERE games.id = $1",
        {gameId}, &rows, error);
    if (status != STORE_OK || rows.empty()) {
        return status != STORE_OK ? status : STORE_NOT_FOUND;
    }
    *text = rows[0][0].value_or("");
    *gameIndex = static_cast<int>(Number(rows[0][1]));
    return STORE_OK;
}

StoreStatus CScoreStore::Query(const std::string& sql, const std::vector<SqlValue>& params,
                               std::vector<SqlRow>* rows, std::string* error) {
    std::string reason;
    CSqlPool::CLease db = pool.Borrow(&reason);
    if (!db) {
        return Unreachable(error, reason);
    }
    const SqlStatus status = db->Run(sql, params, rows);
    if (status != SQL_OK && error != nullptr) {
        *error = db->LastError();
    }
    return FromSql(status);
}
