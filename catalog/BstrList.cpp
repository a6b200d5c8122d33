#include "catalog/BstrList.h"

HRESULT CFileList::OwnQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IBstrList) return Hand(static_cast<IBstrList*>(this), out);
    return E_FAIL;
}

HRESULT CFileList::GetString(std::int32_t index, BSTR* text) {
    WString s;
    if (!text || !GetAt(index, s)) return S_FALSE;
    *text = AllocBstr(s);
    return S_OK;
}

HRESULT CFileList::AddString(BSTR text) {
    paths_.push_back(BstrToWString(text));
    return S_OK;
}

bool CFileList::GetAt(std::int32_t index, WString& text) const {
    if (index < 0 || index >= Count()) return false;
    text = paths_[static_cast<size_t>(index)];
    return true;
}
