// SQLite: one file, write-ahead log, every commit synced to the disk before
// it returns.
#include <sqlite3.h>

#include <map>

#include "server/Sql.h"

namespace {

class CSqliteConnection : public CSqlConnection {
public:
    explicit CSqliteConnection(sqlite3* db) : db(db) {}
    ~CSqliteConnection() override {
        for (auto& [sql, statement] : statements) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
    }

    SqlDialect Dialect() const override { return SQL_DIALECT_SQLITE; }
    bool Healthy() const override { return healthy; }
    const std::string& LastError() const override { return error; }
    SqlStatus Begin() override { return Run("BEGIN IMMEDIATE", {}, nullptr); }

    SqlStatus Run(const std::string& sql, const std::vector<SqlValue>& params,
                  std::vector<SqlRow>* rows) override {
        sqlite3_stmt* statement = Prepare(sql);
        if (statement == nullptr) {
            return Fail(sqlite3_errcode(db));
        }
        for (size_t i = 0; i < params.size(); ++i) {
            std::string name = "$";
            name += std::to_string(i + 1);
            const int index = sqlite3_bind_parameter_index(statement, name.c_str());
            if (index == 0) {
                continue;
            }
            const SqlValue& value = params[i];
            if (std::holds_alternative<int64_t>(value)) {
                sqlite3_bind_int64(statement, index, std::get<int64_t>(value));
            } else if (std::holds_alternative<std::string>(value)) {
                const std::string& text = std::get<std::string>(value);
                sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(statement, index);
            }
        }
        int code;
        while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
            if (rows == nullptr) {
                continue;
            }
            SqlRow row;
            const int columns = sqlite3_column_count(statement);
            for (int c = 0; c < columns; ++c) {
                const unsigned char* text = sqlite3_column_text(statement, c);
                if (text == nullptr) {
                    row.emplace_back();
                } else {
                    row.emplace_back(std::string(reinterpret_cast<const char*>(text),
                                                 sqlite3_column_bytes(statement, c)));
                }
            }
            rows->push_back(std::move(row));
        }
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        if (code != SQLITE_DONE) {
            return Fail(code);
        }
        return SQL_OK;
    }

private:
    sqlite3_stmt* Prepare(const std::string& sql) {
        auto found = statements.find(sql);
        if (found != statements.end()) {
            return found->second;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement,
                               nullptr) != SQLITE_OK) {
            return nullptr;
        }
        statements.emplace(sql, statement);
        return statement;
    }

    SqlStatus Fail(int code) {
        error = sqlite3_errmsg(db);
        switch (code & 0xff) {
            case SQLITE_BUSY:
            case SQLITE_LOCKED:
            case SQLITE_FULL:
            case SQLITE_PROTOCOL:
                return SQL_UNAVAILABLE;
            case SQLITE_IOERR:
            case SQLITE_CANTOPEN:
            case SQLITE_NOTADB:
            case SQLITE_CORRUPT:
            case SQLITE_READONLY:
                // The file went away or broke under us: open it again next time.
                healthy = false;
                return SQL_UNAVAILABLE;
            default:
                return SQL_FAILED;
        }
    }

    sqlite3* db;
    std::map<std::string, sqlite3_stmt*> statements;
    std::string error;
    bool healthy = true;
};

}  // namespace

std::unique_ptr<CSqlConnection> OpenSqlite(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        if (error != nullptr) {
            *error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
        }
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    // The log lets readers go on while one writer commits; FULL syncs the
    // log at every commit, so an acknowledged game survives a crash.
    const char* setup =
        "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON;";
    char* message = nullptr;
    if (sqlite3_exec(db, setup, nullptr, nullptr, &message) != SQLITE_OK) {
        if (error != nullptr) {
            *error = message != nullptr ? message : "cannot set up the database";
        }
        sqlite3_free(message);
        sqlite3_close(db);
        return nullptr;
    }
    return std::make_unique<CSqliteConnection>(db);
}
