#pragma once
// What a row of the catalog list shows for an entry: the cell texts (control characters
// from tags shown as spaces; "failed" in the BPM cell when the entry's analysis failed and it
// has no BPM), and the status-bar text that explains a failed row.

#include <QString>

#include "catalog/CatItem.h"
#include "catalog/KeyText.h"
#include "ui/CatalogRowModel.h"

// The cells of `item` in column order, its key in `notation`.
CCatalogRowModel::Cells EntryCells(CCatItem& item, KeyNotation notation = KeyNotation::Standard);

// True when the row shows the entry as failed: its last analysis failed and it has no BPM.
bool ShowsAsFailed(const CCatItem& item);

// The status-bar text for an entry shown as failed (the reason); empty for any other entry.
QString FailureStatusText(const CCatItem& item);

// Why the BPM the row shows is not in the file's tag (the last write-back failed); empty when
// it is there, when no write-back has run, when the entry has no BPM, or when its file is of a
// kind that carries no tag of ours (WAVE).
QString TagWriteNote(const CCatItem& item);
