#pragma once
// A small owning pointer for COM interfaces. Interfaces are queried with their named IID, so the
// code builds with any compiler.
#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace nivex {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a reference of its own.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& other) noexcept {
        Reset(other.p_);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Releases what is held and holds p with a reference of its own.
    void Reset(T* p = nullptr) noexcept {
        if (p) p->AddRef();
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    // Takes over a reference the caller owns.
    void Attach(T* p) noexcept {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    // Out-parameter slot of a creating call.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    // A new reference for an out-parameter.
    T* CopyOut() const noexcept {
        if (p_) p_->AddRef();
        return p_;
    }
    // Asks from for this interface; empty when it has none.
    template <typename U>
    HRESULT QueryFrom(U* from, REFIID iid) noexcept {
        Reset();
        return from ? from->QueryInterface(iid, PutVoid()) : E_POINTER;
    }

private:
    T* p_ = nullptr;
};

} // namespace nivex
