// Fixed two-dimensional arrays of plain elements for the search tables: one zeroed block of
// elements, row after row, and a table of row pointers into it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/util/mem_alloc.h"

// One thread at a time; no lock.
template <typename T>
class T2DArray {
public:
    T2DArray() = default;
    T2DArray(const T2DArray&) = delete;
    T2DArray& operator=(const T2DArray&) = delete;
    virtual ~T2DArray() { Free(); }

    // Frees any previous storage, then allocates rowCount x columnCount zeroed elements. False
    // when a size is negative, the product overflows or memory runs out (the array is empty then).
    bool Allocate(int rowCountIn, int columnCountIn) {
        Free();
        if (rowCountIn < 0 || columnCountIn < 0) return false;
        const std::size_t r = static_cast<std::size_t>(rowCountIn);
        const std::size_t c = static_cast<std::size_t>(columnCountIn);
        if (c != 0 && r > SIZE_MAX / sizeof(T) / c) return false;
        data = static_cast<T*>(MemAlloc(r * c * sizeof(T) + 1, 1));
        rows = static_cast<T**>(MemAlloc(r * sizeof(T*) + 1, 0));
        if (!data || !rows) {
            Free();
            return false;
        }
        for (std::size_t i = 0; i < r; ++i) rows[i] = data + i * c;
        rowCount = rowCountIn;
        columnCount = columnCountIn;
        return true;
    }

    T* operator[](int row) { return rows[row]; }
    const T* operator[](int row) const { return rows[row]; }

    T** rows = nullptr;
    T* data = nullptr;
    int rowCount = 0;
    int columnCount = 0;

private:
    void Free() {
        MemFree(rows);
        MemFree(data);
        rows = nullptr;
        data = nullptr;
        rowCount = 0;
        columnCount = 0;
    }
};

using CByteArray2D = T2DArray<std::uint8_t>;
using CWordArray2D = T2DArray<std::uint16_t>;
using CDoubleArray2D = T2DArray<double>;
