#pragma once
// One owned kernel handle (file, process, thread), closed when the owner goes.
#include <windows.h>

#include <utility>

class UpdHandle {
  public:
    UpdHandle() = default;
    explicit UpdHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~UpdHandle() { Close(); }
    UpdHandle(UpdHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UpdHandle& operator=(UpdHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UpdHandle(const UpdHandle&) = delete;
    UpdHandle& operator=(const UpdHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Close() {
        if (handle_)
            CloseHandle(std::exchange(handle_, nullptr));
    }

  private:
    HANDLE handle_ = nullptr;
};
