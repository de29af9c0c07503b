// The engine's growable array of plain records: grows geometrically, in whole steps set by its
// owner, copies records bytewise and never constructs them. Used by the results collection, the recognisers,
// the transcriber and the timeline view.
#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "engine/util/mem_alloc.h"

// One thread at a time; no lock. The fields are public because the recognisers append records
// at data[count] directly after a Reserve.
template <typename E>
class TArray {
    static_assert(std::is_trivially_copyable_v<E>, "TArray holds plain records only");

public:
    explicit TArray(int growStep = 1) : growBy(growStep < 1 ? 1 : growStep) {}
    TArray(const TArray&) = delete;
    TArray& operator=(const TArray&) = delete;
    virtual ~TArray() { MemFree(data); }

    // Frees the storage; the growth step stays.
    virtual void RemoveAll() {
        MemFree(data);
        data = nullptr;
        count = 0;
        capacity = 0;
    }

    // False when index is outside [0, count); else the later records move down by one.
    virtual bool RemoveAt(int index) {
        if (index < 0 || index >= count) return false;
        std::memmove(data + index, data + index + 1, sizeof(E) * static_cast<std::size_t>(count - index - 1));
        --count;
        return true;
    }

    // Makes room for at least n records. The capacity becomes the smallest multiple of the growth
    // step that is at least n (and at least one step); it never shrinks. False, with nothing
    // changed, when the storage cannot grow.
    virtual bool Reserve(int n) {
        const std::int64_t step = growBy < 1 ? 1 : growBy;
        const std::int64_t want = n < 0 ? 0 : n;
        std::int64_t c = (want + step - 1) / step * step;
        if (c < step) c = step;
        if (c <= capacity) return true;
        if (c > INT_MAX || static_cast<std::uint64_t>(c) > SIZE_MAX / sizeof(E)) return false;
        // realloc keeps the old block on failure, and moves large blocks without copying them.
        E* grown = static_cast<E*>(MemRealloc(data, sizeof(E) * static_cast<std::size_t>(c)));
        if (!grown) return false;
        data = grown;
        capacity = static_cast<int>(c);
        return true;
    }

    // Discards the contents and makes n uninitialised records. The growth step becomes newGrowBy
    // when that is not 0, else n (1 for n < 2), so owners that know the final size allocate once.
    // False leaves the array empty.
    bool SetSize(int n, int newGrowBy = 0) {
        if (n < 0) n = 0;
        growBy = newGrowBy != 0 ? newGrowBy : (n < 2 ? 1 : n);
        if (growBy < 1) growBy = 1;
        RemoveAll();
        if (!Reserve(n)) return false;
        count = n;
        return true;
    }

    // Inserts a copy of value at index (taken as count when greater). A full array doubles (in
    // whole growth steps), so appending n records costs O(n) copies whatever the step. False, with
    // nothing changed, when the storage cannot grow.
    bool InsertAt(int index, const E& value) {
        if (index > count) index = count;
        if (index < 0) index = 0;
        if (count == INT_MAX) return false;
        if (count + 1 > capacity) {
            const std::int64_t doubled = 2 * static_cast<std::int64_t>(capacity);
            const int wanted = doubled > INT_MAX ? INT_MAX : static_cast<int>(doubled);
            // When the doubled block cannot be had, the smallest step that fits may still be.
            if (!(wanted > count + 1 && Reserve(wanted)) && !Reserve(count + 1)) return false;
        }
        std::memmove(data + index + 1, data + index, sizeof(E) * static_cast<std::size_t>(count - index));
        std::memcpy(static_cast<void*>(data + index), &value, sizeof(E));
        ++count;
        return true;
    }

    bool Append(const E& value) { return InsertAt(count, value); }

    E& operator[](int i) { return data[i]; }
    const E& operator[](int i) const { return data[i]; }
    int GetCount() const { return count; }

    E* data = nullptr;
    int count = 0;
    int capacity = 0;
    int growBy = 1;
};
