#include "tags/WmaTagRoute.h"

#include "audio/LocalCoCreate.h"
#include "audio/PcmReader.h"
#include "platform/Bstr.h"
#include "tags/TrackPath.h"

namespace {
// The open mode that asks the component for tag access only, not for decoding.
constexpr std::int32_t kOpenForTags = 0;

ComPtr<IPcmReader> CreateWmaReader() {
    ComPtr<IPcmReader> reader;
    if (FAILED(LocalCoCreate().Create(CLSID_WmaDecoder, nullptr, 0, IID_IPcmReader,
                                      reader.OutVoid())))
        return {};
    return reader;
}

ComPtr<ITrackTagEditor> QueryEditor(const ComPtr<IPcmReader>& reader) {
    ComPtr<ITrackTagEditor> editor;
    if (FAILED(reader->QueryInterface(IID_ITrackTagEditor, editor.OutVoid()))) return {};
    return editor;
}
}  // namespace

ComPtr<ITrackTagEditor> OpenWmaTagsForReading(const WString& path) {
    ComPtr<IPcmReader> reader = CreateWmaReader();
    if (!reader) return {};
    CBstr bstrPath(path);
    // The tags are asked for even when the audio cannot be opened: the component reads them
    // from the file itself, and a title is worth showing for a track that will not decode.
    reader->Open(bstrPath.Get(), kOpenForTags);
    return QueryEditor(reader);
}

ComPtr<ITrackTagEditor> CreateWmaTagEditor() {
    ComPtr<IPcmReader> reader = CreateWmaReader();
    if (!reader) return {};
    return QueryEditor(reader);
}

bool IsFileNameStandIn(ITrackTagEditor& editor, const WString& path, std::int32_t fieldId,
                       const WString& text) {
    if (fieldId != kFieldTitle || text != TitleFromFileName(path)) return false;
    CBstr stored;
    return SUCCEEDED(editor.GetValue(fieldId, stored.Out())) && !stored.Str().empty() &&
           stored.Str() != text;
}
