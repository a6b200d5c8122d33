#include "profile/BuildProgressSink.h"

#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"

void ReportProgress(const BuildProgressSink& sink, int percent) {
    if (!sink.engine) return;
    ComPtr<IUiUpdateQueue> queue;
    if (FAILED(sink.engine->QueryInterface(IID_IUiUpdateQueue, queue.OutVoid()))) return;
    queue->PostUpdate(kUiMsgProgressBase + percent % 256, sink.itemId, 0);
}
