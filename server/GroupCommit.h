// Writes that arrive together share one transaction and one commit: the
// disk's flush, not the work, is what limits how many submissions a second
// a database takes. The first waiting writer leads: it runs every queued
// job, each in a savepoint of its own, commits them all and wakes the
// others; a job's own failure undoes that job alone.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "server/Sql.h"
#include "server/StoreStatus.h"

class CGroupCommit {
public:
    // The job's own statements, run inside the shared transaction. It
    // returns STORE_OK to keep its changes.
    using Job = std::function<StoreStatus(CSqlConnection* db, std::string* error)>;

    explicit CGroupCommit(CSqlPool& pool) : pool(pool) {}

    // Runs `job` and returns once its changes are committed (STORE_OK) or
    // undone (the job's status, or STORE_UNAVAILABLE when the transaction
    // as a whole failed).
    StoreStatus Run(const Job& job, std::string* error);

private:
    struct SPending {
        const Job* job;
        std::string* error;
        StoreStatus status;
        bool finished = false;
    };
    void WriteBatch(std::deque<SPending*>& batch);

    CSqlPool& pool;
    std::mutex mutex;
    std::condition_variable finished;
    std::deque<SPending*> queue;
    bool writing = false;
};
