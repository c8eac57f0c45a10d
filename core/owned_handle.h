#pragma once

#include <utility>

// Owns one handle of a C interface and gives it back with Close when it goes: moves, never copies.
// An empty handle is the value-initialised one (null), which is never closed.
template <typename Handle, auto Close>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(Handle handle) : handle_(handle) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) Reset(other.release());
        return *this;
    }
    ~OwnedHandle() { Reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    // For functions that hand out a new handle through a pointer; whatever was owned is closed.
    Handle* put() {
        Reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, Handle{}); }
    void Reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
};
