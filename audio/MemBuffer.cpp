#include "audio/MemBuffer.h"

#include "platform/PageAlloc.h"

CMemBuffer::~CMemBuffer() {
    Release();
}

void* CMemBuffer::Allocate(std::size_t size) {
    Release();
    data_ = PageAlloc(size);
    if (data_) size_ = size;
    return data_;
}

void CMemBuffer::Release() {
    PageFree(data_, size_);
    data_ = nullptr;
    size_ = 0;
}
