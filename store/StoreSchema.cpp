#include "store/StoreSchema.h"

#include <sqlite3.h>

#include <string>

namespace {

// Migration i takes the schema from version i to version i + 1. Never change one that has
// shipped; add a new one instead.
constexpr const char* kMigrations[] = {
    // -> 1
    "CREATE TABLE analysis ("
    "  id INTEGER PRIMARY KEY,"
    "  payload_size INTEGER NOT NULL,"
    "  payload_hash BLOB NOT NULL,"
    "  profile BLOB NOT NULL,"
    "  bpm REAL NOT NULL,"
    "  bpm_text TEXT NOT NULL,"
    "  key_root INTEGER NOT NULL,"
    "  key_mode INTEGER NOT NULL,"
    "  measured_at INTEGER NOT NULL,"
    "  program_version TEXT NOT NULL,"
    "  UNIQUE (payload_size, payload_hash));"
    "CREATE TABLE file_identity ("
    "  device INTEGER NOT NULL,"
    "  inode INTEGER NOT NULL,"
    "  size INTEGER NOT NULL,"
    "  mtime_ns INTEGER NOT NULL,"
    "  analysis_id INTEGER NOT NULL REFERENCES analysis(id) ON DELETE CASCADE,"
    "  PRIMARY KEY (device, inode, size, mtime_ns)) WITHOUT ROWID;",
    // -> 2
    "ALTER TABLE analysis ADD COLUMN manual_bpm REAL;",
};
static_assert(std::size(kMigrations) == kStoreSchemaVersion);

}  // namespace

int StoreSchemaVersion(CSqliteDb& db) {
    CSqliteStatement version(db, "PRAGMA user_version");
    return version.Step() ? static_cast<int>(version.Int64(0)) : 0;
}

void MigrateStoreSchema(CSqliteDb& db, int target) {
    if (target > kStoreSchemaVersion) target = kStoreSchemaVersion;
    for (;;) {
        CSqliteTransaction transaction(db);
        // Read inside the write transaction: another program may have migrated meanwhile.
        const int version = StoreSchemaVersion(db);
        if (version > kStoreSchemaVersion)
            throw CSqliteError(SQLITE_ERROR, "analysis store schema " + std::to_string(version) +
                                                 " is newer than this program");
        if (version >= target) return;
        db.Exec(kMigrations[version]);
        db.Exec("PRAGMA user_version = " + std::to_string(version + 1));
        transaction.Commit();
    }
}
