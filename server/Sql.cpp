#include "server/Sql.h"

CSqlPool::CLease::~CLease() {
    if (pool != nullptr && connection != nullptr && connection->Healthy()) {
        std::lock_guard<std::mutex> lock(pool->mutex);
        pool->idle.push_back(std::move(connection));
    }
}

CSqlPool::CLease CSqlPool::Borrow(std::string* error) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!idle.empty()) {
            std::unique_ptr<CSqlConnection> connection = std::move(idle.back());
            idle.pop_back();
            return CLease(this, std::move(connection));
        }
    }
    return CLease(this, opener(error));
}
