#include "profile/BuildProgressSink.h"

#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"

void ReportProgress(const BuildProgressSink& sink, int percent) {
    PostUiUpdate(sink.engine, UiProgressCode(percent), sink.itemId, 0);
}
