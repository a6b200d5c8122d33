#pragma once
// What became of the last write-back of a track's tag: written, or why not. Kept on the catalog
// entry so that the list and the command line can say which files did not receive their tags.

#include <cstdint>
#include <string>

enum class TagWriteOutcome : std::uint8_t {
    NotAttempted = 0,  // no write-back has run for the entry
    Written,           // the tag holds the entry's texts (saved now, or already held them)
    InUse,             // another program has the file open
    ReadOnly,          // nobody may write the file
    Refused,           // the file's type or its tag cannot take the texts
    FileReplaced,      // the file is gone, or is not the file that was analysed
    DamagedTag,        // the tag holds bytes the reader cannot account for; saving would lose them
    WriteFailed,       // a file operation failed; the file is as it was
};

// True for NotAttempted and Written: nothing to report.
bool TagWriteSucceeded(TagWriteOutcome outcome);

// The string-table id of the short reason text of an outcome that is not a success; 0 otherwise.
int TagWriteReasonStringId(TagWriteOutcome outcome);

// The reason text (UTF-8, from the string table); empty for a success.
std::string TagWriteReasonText(TagWriteOutcome outcome);
