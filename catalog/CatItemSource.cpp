#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"

HRESULT CCatItem::OpenSource(IPcmReader** source, std::int32_t mode) {
    return OpenPcmSource(GetPath(), mode, source);
}
