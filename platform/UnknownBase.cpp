#include "platform/UnknownBase.h"

CUnknownBase::~CUnknownBase() {
    if (inner_) inner_->Release();
}

HRESULT CUnknownBase::OwnQueryInterface(REFIID, void**) { return E_FAIL; }

void CUnknownBase::SetInner(IUnknown* inner) {
    if (inner) inner->AddRef();
    if (inner_) inner_->Release();
    inner_ = inner;
}

HRESULT CUnknownBase::SharedQueryInterface(REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    if (SUCCEEDED(OwnQueryInterface(iid, out))) return S_OK;
    if (inner_ && SUCCEEDED(inner_->QueryInterface(iid, out))) return S_OK;
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknownBase::SharedRelease() {
    const std::int32_t left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}
