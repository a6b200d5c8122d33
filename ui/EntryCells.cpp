#include "ui/EntryCells.h"

#include "ui/QtText.h"
#include "ui/StringTable.h"

CCatalogRowModel::Cells EntryCells(CCatItem& item, KeyNotation notation) {
    CCatalogRowModel::Cells cells;
    for (int c = 0; c < kCatalogColumnCount; ++c) {
        const std::int32_t field = kCatalogColumns[static_cast<size_t>(c)].field;
        WString text;
        item.GetFieldText(field, text);
        if (field == kFieldKey) text = KeyTextIn(notation, text);
        cells[static_cast<size_t>(c)] = ToQString(ControlsAsSpaces(text));
    }
    if (ShowsAsFailed(item)) cells[static_cast<size_t>(ColumnOfField(kFieldBpm))] = TwString(IDS_BPM_FAILED);
    return cells;
}

bool ShowsAsFailed(const CCatItem& item) {
    return item.GetBpm() == 0.0f && item.GetBuildFailure() != BuildFailure::None;
}

QString TagWriteNote(const CCatItem& item) {
    const TagWriteOutcome outcome = item.GetTagWriteOutcome();
    if (item.GetBpm() == 0.0f || !item.TakesTags() || TagWriteSucceeded(outcome)) return {};
    return TwString(static_cast<StringId>(TagWriteReasonStringId(outcome)));
}

QString FailureStatusText(const CCatItem& item) {
    if (!ShowsAsFailed(item)) return {};
    switch (item.GetBuildFailure()) {
        case BuildFailure::FileMissing: return TwString(IDS_FAILED_FILE_MISSING);
        case BuildFailure::NotAudio: return TwString(IDS_FAILED_NOT_AUDIO);
        case BuildFailure::Unreadable: return TwString(IDS_FAILED_UNREADABLE);
        case BuildFailure::NoBeat: return TwString(IDS_FAILED_NO_BEAT);
        case BuildFailure::None: break;
    }
    return {};
}
