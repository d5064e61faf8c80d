// Owners and conversions the Task Scheduler wrapper shares: COM pointers, COM apartments, names.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>

// Move-only owner of one COM interface pointer.
template <class T>
class TaskComPtr {
public:
    TaskComPtr() = default;
    TaskComPtr(TaskComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    TaskComPtr& operator=(TaskComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    TaskComPtr(const TaskComPtr&) = delete;
    TaskComPtr& operator=(const TaskComPtr&) = delete;
    ~TaskComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() { reset(); return &p_; }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    IUnknown** putUnknown() { return reinterpret_cast<IUnknown**>(put()); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// Initialises COM for the calling thread and balances it on destruction. A thread already in
// another apartment keeps it (RPC_E_CHANGED_MODE) and is not uninitialised by us.
class TaskComApartment {
public:
    TaskComApartment() : hr_(CoInitialize(nullptr)) {}
    ~TaskComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    TaskComApartment(const TaskComApartment&) = delete;
    TaskComApartment& operator=(const TaskComApartment&) = delete;
    // COM is usable on this thread after construction.
    bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

// Runs a Task Scheduler call again while the scheduler service holds the task file open for
// reading (it reads every task file that changes), for up to about two seconds.
template <class Call>
HRESULT RetryWhileTaskFileBusy(Call call) {
    HRESULT hr = call();
    for (int tries = 0; hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) && tries < 40; ++tries) {
        Sleep(50);
        hr = call();
    }
    return hr;
}

// Text in the ANSI code page to UTF-16; false when it holds bytes the code page does not define.
bool TaskAnsiToWide(const std::string& text, std::wstring& out);
// UTF-16 to the ANSI code page; false when a character has no exact form there.
bool TaskWideToAnsi(const std::wstring& text, std::string& out);
