#pragma once
// A zero-filled array in memory the kernel may back with huge pages. The solver's index is
// read at random, and with 4 KiB pages most lookups would also miss the TLB. Windows gives
// large pages only to accounts with a special privilege: there the pages are plain ones.

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace dovrix::solver {

template <typename T>
class HugePageArray {
    static_assert(std::is_trivially_copyable_v<T>, "the array is filled with zero bytes");

public:
    HugePageArray() = default;
    explicit HugePageArray(std::size_t size) : size_(size) {
        if (size_ == 0) {
            return;
        }
#ifdef _WIN32
        void* memory = VirtualAlloc(nullptr, bytes(), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (memory == nullptr) {
            throw std::bad_alloc();
        }
#else
        void* memory =
            mmap(nullptr, bytes(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            throw std::bad_alloc();
        }
        madvise(memory, bytes(), MADV_HUGEPAGE); // a hint; plain pages work too
#endif
        data_ = static_cast<T*>(memory);
    }
    HugePageArray(const HugePageArray&) = delete;
    HugePageArray& operator=(const HugePageArray&) = delete;
    HugePageArray(HugePageArray&& other) noexcept { swap(other); }
    HugePageArray& operator=(HugePageArray&& other) noexcept {
        swap(other);
        return *this;
    }
    ~HugePageArray() {
        if (data_ != nullptr) {
#ifdef _WIN32
            VirtualFree(data_, 0, MEM_RELEASE);
#else
            munmap(data_, bytes());
#endif
        }
    }

    void swap(HugePageArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
    }

    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    std::size_t bytes() const { return size_ * sizeof(T); }

private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace dovrix::solver
