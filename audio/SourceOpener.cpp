#include "audio/SourceOpener.h"

#include "audio/AudioContainer.h"
#include "audio/ComponentIds.h"
#include "audio/LocalCoCreate.h"
#include "audio/WaveReader.h"
#include "platform/ComInit.h"
#include "platform/SystemError.h"

namespace {

// Components are created for use inside this process.
constexpr std::uint32_t kInProcServer = 1;

// Opens a created source; on failure closes and releases it.
HRESULT Accept(IPcmReader* reader, const WString& path, std::int32_t mode, IPcmReader** source) {
    CBstr bstrPath(path);
    reader->Open(bstrPath.Get(), mode);
    if (reader->GetStatus() != 0) {
        reader->Close();
        reader->Release();
        return E_FAIL;
    }
    *source = reader;
    return S_OK;
}

HRESULT OpenComponentSource(const CLSID& clsid, const WString& path, std::int32_t mode,
                            IPcmReader** source) {
    CComInitScope com;
    IPcmReader* reader = nullptr;
    if (FAILED(LocalCoCreate().Create(clsid, nullptr, kInProcServer, IID_IPcmReader,
                                      reinterpret_cast<void**>(&reader))) ||
        !reader)
        return E_FAIL;
    return Accept(reader, path, mode, source);
}

}  // namespace

HRESULT OpenPcmSource(const WString& path, std::int32_t mode, IPcmReader** source) {
    if (!source) return E_INVALIDARG;
    switch (EffectiveContainer(path)) {
        case AudioContainer::kMpeg:
            return OpenComponentSource(CLSID_Mp3Decoder, path, mode, source);
        case AudioContainer::kWave:
            return Accept(ThrowIfNull(new CWaveReader), path, mode, source);
        case AudioContainer::kAsf:
            return OpenComponentSource(CLSID_WmaDecoder, path, mode, source);
        case AudioContainer::kUnknown:
        case AudioContainer::kOther:
            break;
    }
    return E_FAIL;
}
