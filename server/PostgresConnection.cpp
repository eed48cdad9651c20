// PostgreSQL through libpq: each statement prepared once per connection and
// run with its parameters as text.
#include <libpq-fe.h>

#include <cstring>
#include <map>

#include "server/Sql.h"

namespace {

// The classes of SQLSTATE after which the same request may well succeed
// later: connection failures, the server shutting down or starting, lack of
// resources, and transactions that lost a race.
bool IsPassing(const char* state) {
    if (state == nullptr) {
        return true;
    }
    return std::strncmp(state, "08", 2) == 0 || std::strncmp(state, "57P", 3) == 0 ||
           std::strncmp(state, "53", 2) == 0 || std::strcmp(state, "40001") == 0 ||
           std::strcmp(state, "40P01") == 0;
}

class CPostgresConnection : public CSqlConnection {
public:
    explicit CPostgresConnection(PGconn* conn) : conn(conn) {}
    ~CPostgresConnection() override { PQfinish(conn); }

    SqlDialect Dialect() const override { return SQL_DIALECT_POSTGRES; }
    bool Healthy() const override { return healthy && PQstatus(conn) == CONNECTION_OK; }
    const std::string& LastError() const override { return error; }
    SqlStatus Begin() override { return Run("BEGIN", {}, nullptr); }

    SqlStatus Run(const std::string& sql, const std::vector<SqlValue>& params,
                  std::vector<SqlRow>* rows) override {
        std::string name;
        auto found = statements.find(sql);
        if (found != statements.end()) {
            name = found->second;
        } else {
            name = "s";
            name += std::to_string(statements.size());
            PGresult* prepared = PQprepare(conn, name.c_str(), sql.c_str(), 0, nullptr);
            const SqlStatus status = Check(prepared, PGRES_COMMAND_OK);
            PQclear(prepared);
            if (status != SQL_OK) {
                return status;
            }
            statements.emplace(sql, name);
        }
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (size_t i = 0; i < params.size(); ++i) {
            if (std::holds_alternative<int64_t>(params[i])) {
                texts[i] = std::to_string(std::get<int64_t>(params[i]));
                values[i] = texts[i].c_str();
            } else if (std::holds_alternative<std::string>(params[i])) {
                values[i] = std::get<std::string>(params[i]).c_str();
            }
        }
        PGresult* result = PQexecPrepared(conn, name.c_str(), static_cast<int>(params.size()),
                                          values.data(), nullptr, nullptr, 0);
        const ExecStatusType kind = PQresultStatus(result);
        const SqlStatus status =
            Check(result, kind == PGRES_TUPLES_OK ? PGRES_TUPLES_OK : PGRES_COMMAND_OK);
        if (status == SQL_OK && rows != nullptr && kind == PGRES_TUPLES_OK) {
            const int count = PQntuples(result);
            const int columns = PQnfields(result);
            for (int r = 0; r < count; ++r) {
                SqlRow row;
                for (int c = 0; c < columns; ++c) {
                    if (PQgetisnull(result, r, c)) {
                        row.emplace_back();
                    } else {
                        row.emplace_back(
                            std::string(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
                    }
                }
                rows->push_back(std::move(row));
            }
        }
        PQclear(result);
        return status;
    }

private:
    SqlStatus Check(PGresult* result, ExecStatusType wanted) {
        if (result != nullptr && PQresultStatus(result) == wanted) {
            return SQL_OK;
        }
        error = PQerrorMessage(conn);
        while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) {
            error.pop_back();
        }
        const char* state =
            result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        if (PQstatus(conn) != CONNECTION_OK) {
            healthy = false;
            return SQL_UNAVAILABLE;
        }
        if (IsPassing(state)) {
            // An administrator's shutdown ends the connection too.
            if (state == nullptr || std::strncmp(state, "57P", 3) == 0 ||
                std::strncmp(state, "08", 2) == 0) {
                healthy = false;
            }
            return SQL_UNAVAILABLE;
        }
        return SQL_FAILED;
    }

    PGconn* conn;
    std::map<std::string, std::string> statements;
    std::string error;
    bool healthy = true;
};

}  // namespace

std::unique_ptr<CSqlConnection> OpenPostgres(const std::string& conninfo, std::string* error) {
    // A server that does not answer is given up after a few seconds; the
    // caller's own connect_timeout, when it names one, wins.
    const char* keys[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"5", conninfo.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
        if (error != nullptr) {
            *error = conn != nullptr ? PQerrorMessage(conn) : "out of memory";
            while (!error->empty() && (error->back() == '\n' || error->back() == ' ')) {
                error->pop_back();
            }
        }
        PQfinish(conn);
        return nullptr;
    }
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    return std::make_unique<CPostgresConnection>(conn);
}
