#pragma once
// A growable array of values, always followed by one value-initialised
// element (a zero for numbers and pointers), so that a buffer of characters
// is also a C string the system's functions accept. Growth doubles; an
// allocation that fails ends the program, as there is nothing it could
// still do without memory.
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace platform {

[[noreturn]] inline void out_of_memory() {
    std::abort();
}

template <typename T> class Buffer {
public:
    Buffer() = default;
    Buffer(const T *items, std::size_t count) { append(items, count); }
    Buffer(const Buffer &other) { append(other.items_, other.size_); }
    Buffer(Buffer &&other) noexcept
        : items_(std::exchange(other.items_, nullptr)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    Buffer &operator=(Buffer other) noexcept {
        std::swap(items_, other.items_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }
    ~Buffer() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // nullptr while nothing was ever stored.
    T *data() { return items_; }
    const T *data() const { return items_; }
    T *begin() { return items_; }
    T *end() { return items_ + size_; }
    const T *begin() const { return items_; }
    const T *end() const { return items_ + size_; }
    T &operator[](std::size_t index) { return items_[index]; }
    const T &operator[](std::size_t index) const { return items_[index]; }
    T &back() { return items_[size_ - 1]; }
    const T &back() const { return items_[size_ - 1]; }

    void push_back(T item) {
        reserve(size_ + 1);
        items_[size_] = std::move(item);
        ++size_;
    }
    void append(const T *items, std::size_t count) {
        reserve(size_ + count);
        for (std::size_t i = 0; i < count; ++i)
            items_[size_ + i] = items[i];
        size_ += count;
    }
    void pop_back() { resize(size_ - 1); }
    void clear() { resize(0); }
    // New elements are value-initialised.
    void resize(std::size_t size) {
        reserve(size);
        for (std::size_t i = size; i < size_; ++i)
            items_[i] = T();
        size_ = size;
    }
    // Room for count elements and the one after them.
    void reserve(std::size_t count) {
        if (count < capacity_) return;
        std::size_t capacity = capacity_ ? capacity_ * 2 : 16;
        while (capacity <= count)
            capacity *= 2;
        T *items = static_cast<T *>(std::malloc(capacity * sizeof(T)));
        if (!items) out_of_memory();
        for (std::size_t i = 0; i < capacity; ++i)
            new (items + i) T(i < size_ ? std::move(items_[i]) : T());
        release();
        items_ = items;
        capacity_ = capacity;
    }

private:
    void release() {
        for (std::size_t i = 0; i < capacity_; ++i)
            items_[i].~T();
        std::free(items_);
    }

    T *items_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0; // elements allocated, the one after the last included
};

} // namespace platform
