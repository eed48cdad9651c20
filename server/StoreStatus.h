// How a request to the score database ended.
#pragma once

enum StoreStatus {
    STORE_OK,
    STORE_UNAVAILABLE,  // the database cannot be reached now
    STORE_FAILED,       // a fault: the statement itself failed
    STORE_NOT_FOUND,
    STORE_TOKEN_SPENT,  // the token was used, or ran out, before this
};
