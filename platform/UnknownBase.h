#pragma once
// The reference-counted base of every COM-style object, in the core and in the decoder
// components alike.
//
// A class derives from TUnknown<ItsInterfaces...>: the interfaces come first (so a pointer to the
// first one is the object's address), the CUnknownBase second. The three IUnknown operations are
// the same for every class and serve every interface it implements: QueryInterface asks the
// class's OwnQueryInterface, then the optional inner object; AddRef and Release count atomically
// and Release destroys the object at 0.

#include <atomic>

#include "platform/ComTypes.h"

class CUnknownBase {
public:
    CUnknownBase() = default;
    virtual ~CUnknownBase();
    CUnknownBase(const CUnknownBase&) = delete;
    CUnknownBase& operator=(const CUnknownBase&) = delete;

    // Answers the class's own interface ids; a success must add a reference. E_FAIL in the base.
    virtual HRESULT OwnQueryInterface(REFIID iid, void** out);

    // An object whose interfaces extend this one; released on destruction. Takes a reference.
    void SetInner(IUnknown* inner);

protected:
    HRESULT SharedQueryInterface(REFIID iid, void** out);
    ULONG SharedAddRef() { return static_cast<ULONG>(++refs_); }
    ULONG SharedRelease();

private:
    std::atomic<std::int32_t> refs_{1};
    IUnknown* inner_ = nullptr;
};

template <class... Interfaces>
class TUnknown : public Interfaces..., public CUnknownBase {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override { return SharedQueryInterface(iid, out); }
    ULONG AddRef() override { return SharedAddRef(); }
    ULONG Release() override { return SharedRelease(); }

protected:
    // Helper for OwnQueryInterface overrides: hands out `self` with a reference added.
    template <class T>
    HRESULT Hand(T* self, void** out) {
        *out = self;
        AddRef();
        return S_OK;
    }
};

// Holds one reference to an interface and releases it on every path.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Adopts a reference the caller already owns.
    explicit ComPtr(T* p) : p_(p) {}
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& o) {
        if (this != &o) {
            if (o.p_) o.p_->AddRef();
            Reset();
            p_ = o.p_;
        }
        return *this;
    }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    // Takes an additional reference to `p`.
    static ComPtr Share(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    T* p_ = nullptr;
};
