#pragma once
// Page allocations: committed, read/write, zero-filled pages from anonymous mappings. All large
// working buffers of the analysis live in such pages rather than on the heap.

#include <cstddef>
#include <utility>

// Maps `bytes` (rounded up to whole pages); null on failure or for 0 bytes.
void* PageAlloc(std::size_t bytes);
// Unmaps an allocation made by PageAlloc with the same byte count; null is accepted.
void PageFree(void* p, std::size_t bytes);

// Owns one page allocation and frees it on every path.
class CPageBlock {
public:
    CPageBlock() = default;
    explicit CPageBlock(std::size_t bytes) : p_(PageAlloc(bytes)), size_(p_ ? bytes : 0) {}
    ~CPageBlock() { PageFree(p_, size_); }
    CPageBlock(const CPageBlock&) = delete;
    CPageBlock& operator=(const CPageBlock&) = delete;
    CPageBlock(CPageBlock&& o) noexcept
        : p_(std::exchange(o.p_, nullptr)), size_(std::exchange(o.size_, 0)) {}
    CPageBlock& operator=(CPageBlock&& o) noexcept {
        if (this != &o) {
            PageFree(p_, size_);
            p_ = std::exchange(o.p_, nullptr);
            size_ = std::exchange(o.size_, 0);
        }
        return *this;
    }
    void* Get() const { return p_; }
    std::size_t Size() const { return size_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    void* p_ = nullptr;
    std::size_t size_ = 0;
};
