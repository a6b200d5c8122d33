#include "tags/TrackTagWriter.h"

#include "audio/ComponentIds.h"
#include "platform/Bstr.h"
#include "platform/ComInit.h"
#include "platform/File.h"
#include "platform/FilePermissions.h"
#include "tags/Id3FrameIds.h"
#include "tags/Id3Tag.h"
#include "tags/TrackFields.h"
#include "tags/TrackPath.h"
#include "tags/WmaTagRoute.h"

namespace {
// The entry's fields that the write-back stores, in this order.
constexpr std::int32_t kWrittenFields[] = {kFieldTitle, kFieldArtist, kFieldBpm};

HRESULT WriteMp3Tags(ITrackFields& entry) {
    CID3Tag tag;
    if (tag.ReadTag(entry.GetPath()) == E_FAIL) return E_FAIL;
    for (const std::int32_t field : kWrittenFields) {
        WString text;
        if (entry.GetFieldText(field, text) && !text.empty()) SetFieldFrame(tag, field, text);
    }
    ID3_SAVE_RESULT result;
    return FAILED(tag.SaveTag(result)) ? S_FALSE : S_OK;
}

HRESULT WriteWmaTags(ITrackFields& entry) {
    CComInitScope com;
    ComPtr<ITrackTagEditor> editor = CreateWmaTagEditor();
    if (!editor) return S_FALSE;
    CBstr path(entry.GetPath());
    if (FAILED(editor->OpenForEdit(path.Get()))) return S_FALSE;
    bool stored = false;
    for (const std::int32_t field : kWrittenFields) {
        WString text;
        if (!entry.GetFieldText(field, text) || text.empty()) continue;
        CBstr value(text);
        if (SUCCEEDED(editor->SetValue(field, value.Get()))) stored = true;
    }
    return stored ? S_OK : S_FALSE;
}
}  // namespace

bool CanOpenExclusive(const WString& path) {
    if (IsMarkedReadOnly(path)) return false;
    CFile file;
    return file.TryOpen(path, FileMode::ReadWrite) && file.TryLockExclusive();
}

bool SetFieldFrame(CID3Tag& tag, std::int32_t fieldId, std::u16string_view text) {
    const char* frameId = FrameIdForField(fieldId);
    if (!frameId) return false;
    tag.SetFrameText(frameId, text);
    return true;
}

HRESULT WriteTrackTags(ITrackFields& entry) {
    CSingleThreadLock hold(entry.Lock());
    if (!CanOpenExclusive(entry.GetPath())) return S_FALSE;
    const WString extension = PathExtension(entry.GetPath());
    if (extension == u"mp3") return WriteMp3Tags(entry);
    if (extension == u"wma") return WriteWmaTags(entry);
    return E_FAIL;
}
