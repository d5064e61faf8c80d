// COM interface pointer owner and COM/OLE initialisation for one thread.
#pragma once
#include <windows.h>
#include <ole2.h>

#include "framework/LiveCount.h"

// Holds one reference to a COM object; move-only so that references are never shared by accident.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters of creating calls: `CreateX(..., ptr.receive())`. What is held is released
    // first; the new reference is counted when the call's full expression ends.
    class Receiver {
    public:
        explicit Receiver(ComPtr& owner) : owner_(owner) {}
        ~Receiver() {
            if (owner_.p_) LiveCount<ComPtr<IUnknown>>::acquired();
        }
        operator T**() { return &owner_.p_; }
        operator void**() { return reinterpret_cast<void**>(&owner_.p_); }

    private:
        ComPtr& owner_;
    };
    Receiver receive() {
        reset();
        return Receiver(*this);
    }
    void reset() {
        if (p_) {
            p_->Release();
            p_ = nullptr;
            LiveCount<ComPtr<IUnknown>>::released();
        }
    }
    // All interface types share one count: what matters is how many references the program holds.
    static long live() { return LiveCount<ComPtr<IUnknown>>::live(); }

private:
    T* p_ = nullptr;
};

// OleInitialize for the lifetime of the object (OLE hosting and the picture loader need it on
// the thread that uses them); uninitialises only if the initialisation succeeded.
class ComInit {
public:
    ComInit() : hr_(OleInitialize(nullptr)) {}
    ~ComInit() {
        if (SUCCEEDED(hr_)) OleUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    bool ok() const { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};
