#include "profile/BuildProgressSink.h"

#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"

void ReportProgress(const BuildProgressSink& sink, int percent) {
    PostUiUpdate(sink.engine, kUiMsgProgressBase + percent % 256, sink.itemId, 0);
}
