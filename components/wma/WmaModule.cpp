// Entry points of Vellwma.so: serves the Windows Media decoder class.

#include "audio/ComponentIds.h"
#include "components/common/ComponentModule.h"
#include "components/wma/WmaReader.h"

TW_COMPONENT_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return ComponentGetClassObject(clsid, CLSID_WmaDecoder, &CWmaReader::Create, iid, out);
}

TW_COMPONENT_EXPORT HRESULT DllCanUnloadNow() {
    return ComponentCanUnloadNow();
}
