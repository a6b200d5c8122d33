// Entry points of Vellmp3.so: serves the MP3 decoder class.

#include "audio/ComponentIds.h"
#include "components/common/ComponentModule.h"
#include "components/mp3/Mp3Reader.h"

TW_COMPONENT_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return ComponentGetClassObject(clsid, CLSID_Mp3Decoder, &CMp3Reader::Create, iid, out);
}

TW_COMPONENT_EXPORT HRESULT DllCanUnloadNow() {
    return ComponentCanUnloadNow();
}
