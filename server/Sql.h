// The one door the score service has to a database: statements with $1, $2...
// bound to parameters, rows read back as text. SQLite and PostgreSQL each
// implement it, so the schema and the queries are written once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

using SqlValue = std::variant<std::nullptr_t, int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

enum SqlStatus {
    SQL_OK,
    SQL_UNAVAILABLE,  // the database cannot be reached or is busy: try again later
    SQL_FAILED,       // the statement failed (a fault, or a broken constraint)
};

enum SqlDialect { SQL_DIALECT_SQLITE, SQL_DIALECT_POSTGRES };

class CSqlConnection {
public:
    virtual ~CSqlConnection() = default;
    virtual SqlDialect Dialect() const = 0;
    // Runs one statement; `rows` (when given) receives every row it returns.
    virtual SqlStatus Run(const std::string& sql, const std::vector<SqlValue>& params,
                          std::vector<SqlRow>* rows) = 0;
    // Opens a transaction that will write, taking the write lock at once
    // where the database has one.
    virtual SqlStatus Begin() = 0;
    // False once the connection is lost; it is then closed, not reused.
    virtual bool Healthy() const = 0;
    virtual const std::string& LastError() const = 0;
};

// A database file, made when missing. Null (with the reason) when it cannot
// be opened.
std::unique_ptr<CSqlConnection> OpenSqlite(const std::string& path, std::string* error);
// A libpq connection string or URI. Null (with the reason) when the server
// cannot be reached.
std::unique_ptr<CSqlConnection> OpenPostgres(const std::string& conninfo, std::string* error);

using SqlOpener = std::function<std::unique_ptr<CSqlConnection>(std::string*)>;

// Connections for many threads: each request borrows one and gives it back
// when it is still healthy; a lost one is closed and the next borrower opens
// a new one, so the service recovers by itself when the database returns.
class CSqlPool {
public:
    explicit CSqlPool(SqlOpener opener) : opener(std::move(opener)) {}

    class CLease {
    public:
        CLease(CSqlPool* pool, std::unique_ptr<CSqlConnection> connection)
            : pool(pool), connection(std::move(connection)) {}
        CLease(CLease&&) = default;
        ~CLease();
        CSqlConnection* operator->() const { return connection.get(); }
        CSqlConnection* get() const { return connection.get(); }
        explicit operator bool() const { return connection != nullptr; }

    private:
        CSqlPool* pool;
        std::unique_ptr<CSqlConnection> connection;
    };

    // An empty lease (and the reason) when no connection can be opened.
    CLease Borrow(std::string* error);

private:
    SqlOpener opener;
    std::mutex mutex;
    std::vector<std::unique_ptr<CSqlConnection>> idle;
};
