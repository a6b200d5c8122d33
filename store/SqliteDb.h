#pragma once
// A thin owner of SQLite's C objects: a connection, a prepared statement and a transaction, each
// released on every path. A failed call raises CSqliteError with SQLite's result code, so that
// the caller can tell a damaged file from a busy or full one.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class CSqliteError : public std::runtime_error {
public:
    CSqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    // SQLite's primary result code (SQLITE_CORRUPT, SQLITE_FULL, ...).
    int Code() const { return code_ & 0xFF; }

private:
    int code_;
};

class CSqliteDb {
public:
    CSqliteDb() = default;
    ~CSqliteDb();
    CSqliteDb(const CSqliteDb&) = delete;
    CSqliteDb& operator=(const CSqliteDb&) = delete;

    // Opens (creating when missing) the database file for reading and writing. Raises.
    void Open(const std::string& path);
    void Close() noexcept;
    bool IsOpen() const { return db_ != nullptr; }

    // Runs one or more statements that return no rows. Raises.
    void Exec(std::string_view sql);
    // How long a statement waits for another connection's lock before it fails with BUSY.
    void SetBusyTimeout(int milliseconds);

    sqlite3* Handle() const { return db_; }
    // Raises CSqliteError for `rc` with the connection's message.
    [[noreturn]] void Fail(int rc, std::string_view what) const;

private:
    sqlite3* db_ = nullptr;
};

class CSqliteStatement {
public:
    CSqliteStatement(CSqliteDb& db, std::string_view sql);
    ~CSqliteStatement();
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;

    // Parameters are numbered from 1.
    CSqliteStatement& Bind(int index, std::int64_t value);
    CSqliteStatement& Bind(int index, double value);
    CSqliteStatement& Bind(int index, std::string_view text);
    CSqliteStatement& BindBlob(int index, const void* data, std::size_t size);
    CSqliteStatement& BindNull(int index);

    // Advances to the next row: true while a row is there, false when done. Raises.
    bool Step();
    // Runs a statement that returns no rows. Raises.
    void Run() {
        while (Step()) {
        }
    }

    // Columns are numbered from 0.
    bool IsNull(int column) const;
    std::int64_t Int64(int column) const;
    double Double(int column) const;
    std::string Text(int column) const;
    std::vector<unsigned char> Blob(int column) const;

private:
    CSqliteDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE on construction (the write lock is taken at once, so two writers wait for each
// other instead of failing half-way); ROLLBACK on destruction unless committed.
class CSqliteTransaction {
public:
    explicit CSqliteTransaction(CSqliteDb& db);
    ~CSqliteTransaction();
    CSqliteTransaction(const CSqliteTransaction&) = delete;
    CSqliteTransaction& operator=(const CSqliteTransaction&) = delete;

    void Commit();

private:
    CSqliteDb& db_;
    bool open_ = true;
};
