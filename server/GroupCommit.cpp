#include "server/GroupCommit.h"

namespace {

// More than this many jobs wait for the next commit.
constexpr size_t kMaxBatch = 64;

}  // namespace

StoreStatus CGroupCommit::Run(const Job& job, std::string* error) {
    SPending me{&job, error, STORE_UNAVAILABLE};
    std::unique_lock<std::mutex> lock(mutex);
    queue.push_back(&me);
    while (!me.finished) {
        if (writing) {
            finished.wait(lock);
            continue;
        }
        writing = true;
        std::deque<SPending*> batch;
        while (!queue.empty() && batch.size() < kMaxBatch) {
            batch.push_back(queue.front());
            queue.pop_front();
        }
        lock.unlock();
        WriteBatch(batch);
        lock.lock();
        for (SPending* pending : batch) {
            pending->finished = true;
        }
        writing = false;
        finished.notify_all();
    }
    return me.status;
}

void CGroupCommit::WriteBatch(std::deque<SPending*>& batch) {
    const auto failAll = [&](const std::string& reason) {
        for (SPending* pending : batch) {
            pending->status = STORE_UNAVAILABLE;
            if (pending->error != nullptr) {
                *pending->error = reason;
            }
        }
    };
    std::string reason;
    CSqlPool::CLease db = pool.Borrow(&reason);
    if (!db) {
        failAll(reason);
        return;
    }
    if (db->Begin() != SQL_OK) {
        failAll(db->LastError());
        db->Run("ROLLBACK", {}, nullptr);
        return;
    }
    for (SPending* pending : batch) {
        if (db->Run("SAVEPOINT job", {}, nullptr) != SQL_OK) {
            failAll(db->LastError());
            db->Run("ROLLBACK", {}, nullptr);
            return;
        }
        pending->status = (*pending->job)(db.get(), pending->error);
        if (pending->status == STORE_UNAVAILABLE) {
            // The connection or the transaction is gone: nothing of the
            // batch holds, and each may be tried again.
            failAll(db->LastError());
            db->Run("ROLLBACK", {}, nullptr);
            return;
        }
        const SqlStatus undone = pending->status == STORE_OK
                                     ? db->Run("RELEASE SAVEPOINT job", {}, nullptr)
                                     : (db->Run("ROLLBACK TO SAVEPOINT job", {}, nullptr) == SQL_OK
                                            ? db->Run("RELEASE SAVEPOINT job", {}, nullptr)
                                            : SQL_FAILED);
        if (undone != SQL_OK) {
            failAll(db->LastError());
            db->Run("ROLLBACK", {}, nullptr);
            return;
        }
    }
    if (db->Run("COMMIT", {}, nullptr) != SQL_OK) {
        failAll(db->LastError());
        db->Run("ROLLBACK", {}, nullptr);
    }
}
