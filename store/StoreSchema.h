#pragma once
// The analysis store's tables and their history. The database's user_version is the number of
// migrations applied; opening a store applies the missing ones in order, each in a transaction of
// its own, so a store written by an older program is brought up to date and keeps its rows.
//
// Version 1: analysis (one row per audio fingerprint: profile, BPM, key, when, program version)
//            and file_identity ((device, inode, size, mtime) -> analysis).
// Version 2: a BPM set by hand, which wins over the measured one.

#include "store/SqliteDb.h"

constexpr int kStoreSchemaVersion = 2;

// The schema version of an open database (0 for a new, empty one).
int StoreSchemaVersion(CSqliteDb& db);

// Applies the migrations from the database's version up to `target` (at most
// kStoreSchemaVersion). Raises CSqliteError; a database newer than this program raises too.
void MigrateStoreSchema(CSqliteDb& db, int target = kStoreSchemaVersion);
