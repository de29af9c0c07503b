// Arena for the recogniser's lattice: hands out pieces of large blocks and frees them all at once,
// so building a lattice costs one allocation per block instead of one per node.
#pragma once

#include <cstddef>
#include <vector>

// One thread at a time; no lock.
class CBlockPool {
public:
    // Every piece is aligned for any type: request sizes are rounded up to this.
    static constexpr std::size_t kAlignment = alignof(std::max_align_t);

    explicit CBlockPool(int blockSize);
    CBlockPool(const CBlockPool&) = delete;
    CBlockPool& operator=(const CBlockPool&) = delete;
    virtual ~CBlockPool();

    // n bytes, not zeroed, from the current block (a new block when it is full); a request of a
    // block's size or more gets a zeroed block of its own. Null when memory runs out or n < 0.
    void* Alloc(int n);

    int GetBlockSize() const { return blockSize_; }
    std::size_t GetBlockCount() const { return blocks_.size(); }

private:
    std::vector<void*> blocks_;  // every block handed out or carved from
    int blockSize_;
    int used_ = 0;               // bytes used in the current block
    void* current_ = nullptr;
};
