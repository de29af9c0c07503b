// Arena of fixed-size blocks for the lattice.
#include "engine/util/block_pool.h"

#include <cstdlib>
#include <cstring>

CBlockPool::CBlockPool(int blockSize) : blockSize_(blockSize < 1 ? 1 : blockSize) {
    current_ = std::malloc(static_cast<std::size_t>(blockSize_));
    if (current_) blocks_.push_back(current_);
}

CBlockPool::~CBlockPool() {
    for (void* block : blocks_) std::free(block);
}

void* CBlockPool::Alloc(int n) {
    if (n < 0) return nullptr;
    // Rounding keeps every piece aligned for the records placed in it: blocks come from malloc,
    // so offsets that are multiples of the strictest alignment stay aligned.
    const std::size_t rounded = (static_cast<std::size_t>(n) + kAlignment - 1) & ~(kAlignment - 1);
    if (rounded >= static_cast<std::size_t>(blockSize_)) {
        blocks_.reserve(blocks_.size() + 1);
        void* big = std::calloc(1, rounded);
        if (!big) return nullptr;
        blocks_.push_back(big);
        return big;
    }
    const int size = static_cast<int>(rounded);
    if (!current_ || used_ + size >= blockSize_) {
        blocks_.reserve(blocks_.size() + 1);
        void* block = std::malloc(static_cast<std::size_t>(blockSize_));
        if (!block) return nullptr;
        blocks_.push_back(block);
        current_ = block;
        used_ = 0;
    }
    void* result = static_cast<char*>(current_) + used_;
    used_ += size;
    return result;
}
