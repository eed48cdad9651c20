// A player's new slot table.
#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "devices/GameNumbers.h"

// `count` empty slots; none when the count passes the limit or the table
// cannot be made.
template <class TSlot>
std::vector<TSlot> NewSlotTable(int32_t count) {
    std::vector<TSlot> table;
    if (count >= 0 && count <= kMaxPlayerSlots) {
        try {
            table.resize(static_cast<size_t>(count));
        } catch (const std::bad_alloc&) {
            table.clear();
        }
    }
    return table;
}
