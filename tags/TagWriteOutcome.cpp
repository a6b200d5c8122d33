#include "tags/TagWriteOutcome.h"

namespace {
enum ReasonStringId : int {
#define TW_STRING(name, id, text) name = id,
#include "tags/TagWriteReasons.def"
#undef TW_STRING
};

struct REASON_TEXT {
    int id;
    const char* text;
};
constexpr REASON_TEXT kTable[] = {
#define TW_STRING(name, id, text) {id, text},
#include "tags/TagWriteReasons.def"
#undef TW_STRING
};
}  // namespace

bool TagWriteSucceeded(TagWriteOutcome outcome) {
    return outcome == TagWriteOutcome::NotAttempted || outcome == TagWriteOutcome::Written;
}

int TagWriteReasonStringId(TagWriteOutcome outcome) {
    switch (outcome) {
        case TagWriteOutcome::InUse: return IDS_TAG_NOT_WRITTEN_IN_USE;
        case TagWriteOutcome::ReadOnly: return IDS_TAG_NOT_WRITTEN_READ_ONLY;
        case TagWriteOutcome::Refused: return IDS_TAG_NOT_WRITTEN_REFUSED;
        case TagWriteOutcome::FileReplaced: return IDS_TAG_NOT_WRITTEN_REPLACED;
        case TagWriteOutcome::DamagedTag: return IDS_TAG_NOT_WRITTEN_DAMAGED;
        case TagWriteOutcome::WriteFailed: return IDS_TAG_NOT_WRITTEN_FAILED;
        case TagWriteOutcome::NotAttempted:
        case TagWriteOutcome::Written: break;
    }
    return 0;
}

std::string TagWriteReasonText(TagWriteOutcome outcome) {
    const int id = TagWriteReasonStringId(outcome);
    for (const auto& entry : kTable)
        if (id != 0 && entry.id == id) return entry.text;
    return {};
}
