#include "store/SqliteDb.h"

#include <sqlite3.h>

#include <string>

CSqliteDb::~CSqliteDb() { Close(); }

void CSqliteDb::Open(const std::string& path) {
    Close();
    const int rc = sqlite3_open_v2(path.c_str(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        Close();
        throw CSqliteError(rc, "cannot open " + path + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

void CSqliteDb::Close() noexcept {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void CSqliteDb::Fail(int rc, std::string_view what) const {
    std::string message(what);
    message += ": ";
    message += db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    throw CSqliteError(rc, message);
}

void CSqliteDb::Exec(std::string_view sql) {
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc, text);
}

void CSqliteDb::SetBusyTimeout(int milliseconds) {
    const int rc = sqlite3_busy_timeout(db_, milliseconds);
    if (rc != SQLITE_OK) Fail(rc, "busy timeout");
}

CSqliteStatement::CSqliteStatement(CSqliteDb& db, std::string_view sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()),
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK) db_.Fail(rc, sql);
}

CSqliteStatement::~CSqliteStatement() { sqlite3_finalize(stmt_); }

CSqliteStatement& CSqliteStatement::Bind(int index, std::int64_t value) {
    const int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK) db_.Fail(rc, "bind");
    return *this;
}

CSqliteStatement& CSqliteStatement::Bind(int index, double value) {
    const int rc = sqlite3_bind_double(stmt_, index, value);
    if (rc != SQLITE_OK) db_.Fail(rc, "bind");
    return *this;
}

CSqliteStatement& CSqliteStatement::Bind(int index, std::string_view text) {
    const int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                       SQLITE_UTF8);
    if (rc != SQLITE_OK) db_.Fail(rc, "bind");
    return *this;
}

CSqliteStatement& CSqliteStatement::BindBlob(int index, const void* data, std::size_t size) {
    const int rc = sqlite3_bind_blob64(stmt_, index, size ? data : "", size, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) db_.Fail(rc, "bind");
    return *this;
}

CSqliteStatement& CSqliteStatement::BindNull(int index) {
    const int rc = sqlite3_bind_null(stmt_, index);
    if (rc != SQLITE_OK) db_.Fail(rc, "bind");
    return *this;
}

bool CSqliteStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.Fail(rc, sqlite3_sql(stmt_));
}

bool CSqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t CSqliteStatement::Int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

double CSqliteStatement::Double(int column) const { return sqlite3_column_double(stmt_, column); }

std::string CSqliteStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                : std::string();
}

std::vector<unsigned char> CSqliteStatement::Blob(int column) const {
    const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::vector<unsigned char>(data, data + size) : std::vector<unsigned char>();
}

CSqliteTransaction::CSqliteTransaction(CSqliteDb& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

CSqliteTransaction::~CSqliteTransaction() {
    if (open_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void CSqliteTransaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}
