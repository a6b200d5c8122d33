#include "store/AnalysisStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "store/AudioFingerprint.h"
#include "store/ProfileBlob.h"
#include "store/StoreSchema.h"

#ifndef TW_PROGRAM_VERSION
#error "TW_PROGRAM_VERSION must name the program version"
#endif

namespace {

// How long a statement waits while another program holds the write lock.
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kAnalysisColumns =
    "a.id, a.profile, a.bpm_text, a.manual_bpm, a.measured_at, a.program_version";

// Result codes that mean the file is not a usable database, as opposed to one that is busy,
// full or in a folder that cannot be written.
bool IsDamage(int code) {
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_FORMAT;
}

// Why an existing database file cannot be used as it is, or empty when it can (or is absent).
// A file without read or write permission bits counts as unusable even for a user whom the
// system would let open it, as everywhere in the program.
std::string UnusableReason(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if ((st.st_mode & 0444) == 0 || (st.st_mode & 0222) == 0 ||
        ::access(path.c_str(), R_OK | W_OK) != 0)
        return "no permission to read and write it";
    return {};
}

bool FolderWritable(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// Programs opening the store at the same moment take turns, through a lock on its folder: one
// that finds the file damaged moves it aside and starts a new store before the next one looks,
// so that none moves aside the new store another has just begun (and the measurements it then
// records). A holder that does not let go within the busy timeout is not waited for longer; a
// folder that cannot be locked (some network file systems) is used without turns, as before.
class CFolderTurn {
public:
    explicit CFolderTurn(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) return;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~CFolderTurn() {
        if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
    }
    CFolderTurn(const CFolderTurn&) = delete;
    CFolderTurn& operator=(const CFolderTurn&) = delete;

private:
    int fd_;
};

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

// Puts the database in write-ahead-log mode (kept in the file, so this is done once per store).
// The switch needs the file alone for a moment, and SQLite answers "locked" at once, without
// waiting, when programs started together open a new store: each holds a read lock that another
// needs gone. So the switch is tried again until the busy timeout has passed.
void SwitchToWriteAheadLog(CSqliteDb& db) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        try {
            // A file system without shared memory keeps the rollback journal; that still works.
            CSqliteStatement mode(db, "PRAGMA journal_mode = WAL");
            mode.Run();
            return;
        } catch (const CSqliteError& e) {
            if (e.Code() != SQLITE_BUSY && e.Code() != SQLITE_LOCKED) throw;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            throw CSqliteError(SQLITE_BUSY, "cannot switch to write-ahead logging: database is locked");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void BindFingerprint(CSqliteStatement& statement, int first, const AudioFingerprint& fp) {
    statement.Bind(first, static_cast<std::int64_t>(fp.payloadSize))
        .BindBlob(first + 1, fp.hash.data(), fp.hash.size());
}

// Points the identity at the analysis; an older identity of the same inode is dropped, since
// the file it described has changed.
void PutIdentity(CSqliteDb& db, const FileIdentity& id, std::int64_t analysisId) {
    CSqliteStatement drop(db, "DELETE FROM file_identity WHERE device = ? AND inode = ?");
    drop.Bind(1, static_cast<std::int64_t>(id.device))
        .Bind(2, static_cast<std::int64_t>(id.inode))
        .Run();
    CSqliteStatement put(db,
                         "INSERT OR REPLACE INTO file_identity "
                         "(device, inode, size, mtime_ns, analysis_id) VALUES (?, ?, ?, ?, ?)");
    put.Bind(1, static_cast<std::int64_t>(id.device))
        .Bind(2, static_cast<std::int64_t>(id.inode))
        .Bind(3, static_cast<std::int64_t>(id.size))
        .Bind(4, id.mtimeNs)
        .Bind(5, analysisId)
        .Run();
}

// The analysis of the current row (columns kAnalysisColumns); nothing when its profile cannot
// be decoded or it holds no BPM (a hand-set BPM since cleared on audio never measured), so that
// the track is measured again and the row replaced.
std::optional<StoredAnalysis> ReadAnalysis(const CSqliteStatement& row) {
    StoredAnalysis a;
    const std::vector<unsigned char> blob = row.Blob(1);
    if (!DecodeProfileBlob(std::string_view(reinterpret_cast<const char*>(blob.data()), blob.size()),
                           a.profile))
        return std::nullopt;
    a.bpmText = row.Text(2);
    if (!row.IsNull(3)) a.manualBpm = static_cast<float>(row.Double(3));
    a.measuredAt = row.Int64(4);
    a.programVersion = row.Text(5);
    if (!(a.Bpm() > 0.0f)) return std::nullopt;
    return a;
}

}  // namespace

CAnalysisStore::CAnalysisStore(std::string path, WarningSink warn)
    : path_(std::move(path)), warn_(std::move(warn)) {
    std::lock_guard lock(mutex_);
    OpenOrRebuild();
}

CAnalysisStore::~CAnalysisStore() = default;

const char* CAnalysisStore::ProgramVersion() { return TW_PROGRAM_VERSION; }

std::string CAnalysisStore::DefaultPath() {
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : "/";
        }
        base = std::string(home) + "/.local/share";
    }
    return base + "/tempowright/analysis.sqlite";
}

bool CAnalysisStore::IsOn() const {
    std::lock_guard lock(mutex_);
    return on_;
}

void CAnalysisStore::TurnOff(const std::string& what) {
    on_ = false;
    db_.Close();
    if (offWarned_) return;
    offWarned_ = true;
    if (warn_) warn_("analysis store " + path_ + " not used: " + what);
}

bool CAnalysisStore::MoveAside(const std::string& reason) {
    std::string aside = path_ + ".damaged-" + TimeStamp();
    for (int n = 2; ::access(aside.c_str(), F_OK) == 0; ++n)
        aside = path_ + ".damaged-" + TimeStamp() + "-" + std::to_string(n);
    if (::rename(path_.c_str(), aside.c_str()) != 0 && errno != ENOENT) {
        TurnOff(reason + "; cannot move it aside: " + std::strerror(errno));
        return false;
    }
    // The write-ahead log and its index belong to the damaged file, not to the new one.
    for (const char* suffix : {"-wal", "-shm"})
        if (::rename((path_ + suffix).c_str(), (aside + suffix).c_str()) != 0) {
            std::error_code ec;
            std::filesystem::remove_all(path_ + suffix, ec);
        }
    if (warn_) warn_("analysis store " + path_ + " was unusable (" + reason + "); moved to " +
                     aside + ", a new one is started");
    return true;
}

void CAnalysisStore::OpenAndPrepare() {
    db_.Open(path_);
    db_.SetBusyTimeout(kBusyTimeoutMs);
    SwitchToWriteAheadLog(db_);
    db_.Exec("PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON");
    {
        CSqliteStatement check(db_, "PRAGMA quick_check");
        if (!check.Step() || check.Text(0) != "ok")
            throw CSqliteError(SQLITE_CORRUPT, "integrity check failed");
    }
    MigrateStoreSchema(db_);
}

void CAnalysisStore::OpenOrRebuild() {
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return TurnOff("cannot create " + folder.string() + ": " + ec.message());
    if (!FolderWritable(folder.string())) return TurnOff(folder.string() + " is read-only");
    const CFolderTurn turn(folder.string());

    const std::string unusable = UnusableReason(path_);
    if (!unusable.empty() && !MoveAside(unusable)) return;
    try {
        OpenAndPrepare();
        on_ = true;
        return;
    } catch (const CSqliteError& e) {
        db_.Close();
        if (!IsDamage(e.Code())) return TurnOff(e.what());
        if (!MoveAside(e.what())) return;
    }
    try {
        OpenAndPrepare();
        on_ = true;
    } catch (const CSqliteError& e) {
        TurnOff(e.what());
    }
}

bool CAnalysisStore::Guarded(const char* what, const std::function<void()>& op) {
    std::lock_guard lock(mutex_);
    if (!on_) return false;
    try {
        op();
        return true;
    } catch (const CSqliteError& e) {
        TurnOff(std::string(what) + ": " + e.what());
        return false;
    }
}

std::optional<StoredAnalysis> CAnalysisStore::Lookup(const WString& file) {
    FileIdentity id;
    if (!IsOn() || !ReadFileIdentity(file, id)) return std::nullopt;
    std::optional<StoredAnalysis> found;
    Guarded("lookup", [&] {
        CSqliteStatement q(db_, std::string("SELECT ") + kAnalysisColumns +
                                    " FROM file_identity f JOIN analysis a ON a.id = f.analysis_id"
                                    " WHERE f.device = ? AND f.inode = ? AND f.size = ?"
                                    " AND f.mtime_ns = ?");
        q.Bind(1, static_cast<std::int64_t>(id.device))
            .Bind(2, static_cast<std::int64_t>(id.inode))
            .Bind(3, static_cast<std::int64_t>(id.size))
            .Bind(4, id.mtimeNs);
        if (q.Step()) found = ReadAnalysis(q);
    });
    if (found) return found;

    // Read outside the lock: other threads keep using the store meanwhile.
    AudioFingerprint fp;
    if (!ComputeAudioFingerprint(file, fp)) return std::nullopt;
    Guarded("lookup", [&] {
        std::int64_t analysisId = 0;
        {
            CSqliteStatement q(db_, std::string("SELECT ") + kAnalysisColumns +
                                        " FROM analysis a WHERE payload_size = ?"
                                        " AND payload_hash = ?");
            BindFingerprint(q, 1, fp);
            if (!q.Step()) return;
            found = ReadAnalysis(q);
            analysisId = q.Int64(0);
        }
        if (!found) return;
        CSqliteTransaction transaction(db_);
        PutIdentity(db_, id, analysisId);
        transaction.Commit();
    });
    return found;
}

bool CAnalysisStore::Record(const WString& file, const CPfTrackProfile& profile,
                            const std::string& bpmText) {
    FileIdentity id;
    AudioFingerprint fp;
    if (!IsOn() || !ReadFileIdentity(file, id) || !ComputeAudioFingerprint(file, fp)) return false;
    const std::string blob = EncodeProfileBlob(profile);
    return Guarded("record", [&] {
        CSqliteTransaction transaction(db_);
        std::int64_t analysisId = 0;
        {
            CSqliteStatement put(
                db_,
                "INSERT INTO analysis (payload_size, payload_hash, profile, bpm, bpm_text, "
                "key_root, key_mode, measured_at, program_version) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                "ON CONFLICT (payload_size, payload_hash) DO UPDATE SET "
                "profile = excluded.profile, bpm = excluded.bpm, bpm_text = excluded.bpm_text, "
                "key_root = excluded.key_root, key_mode = excluded.key_mode, "
                "measured_at = excluded.measured_at, program_version = excluded.program_version "
                "RETURNING id");
            BindFingerprint(put, 1, fp);
            put.BindBlob(3, blob.data(), blob.size())
                .Bind(4, static_cast<double>(profile.bpm))
                .Bind(5, bpmText)
                .Bind(6, static_cast<std::int64_t>(profile.keyRoot))
                .Bind(7, static_cast<std::int64_t>(profile.keyMode))
                .Bind(8, static_cast<std::int64_t>(std::time(nullptr)))
                .Bind(9, std::string_view(ProgramVersion()));
            if (!put.Step()) throw CSqliteError(SQLITE_ERROR, "record: no row id");
            analysisId = put.Int64(0);
            put.Run();
        }
        PutIdentity(db_, id, analysisId);
        transaction.Commit();
    });
}

bool CAnalysisStore::RecordIdentity(const WString& file) {
    FileIdentity id;
    AudioFingerprint fp;
    if (!IsOn() || !ReadFileIdentity(file, id) || !ComputeAudioFingerprint(file, fp)) return false;
    bool known = false;
    const bool ok = Guarded("record identity", [&] {
        CSqliteTransaction transaction(db_);
        std::int64_t analysisId = 0;
        {
            CSqliteStatement q(db_,
                               "SELECT id FROM analysis WHERE payload_size = ? AND payload_hash = ?");
            BindFingerprint(q, 1, fp);
            if (!q.Step()) return;
            analysisId = q.Int64(0);
        }
        PutIdentity(db_, id, analysisId);
        transaction.Commit();
        known = true;
    });
    return ok && known;
}

bool CAnalysisStore::SetManualBpm(const WString& file, std::optional<float> bpm) {
    FileIdentity id;
    AudioFingerprint fp;
    if (!IsOn() || !ReadFileIdentity(file, id) || !ComputeAudioFingerprint(file, fp)) return false;
    bool changed = false;
    const bool ok = Guarded("set BPM", [&] {
        CSqliteTransaction transaction(db_);
        if (!bpm) {
            CSqliteStatement clear(db_, "UPDATE analysis SET manual_bpm = NULL "
                                        "WHERE payload_size = ? AND payload_hash = ?");
            BindFingerprint(clear, 1, fp);
            clear.Run();
            changed = sqlite3_changes(db_.Handle()) > 0;
        } else {
            // Audio never measured gets a row of its own with an empty profile, so that the BPM
            // set by hand is found like a measured one.
            const std::string empty = EncodeProfileBlob(CPfTrackProfile{});
            std::int64_t analysisId = 0;
            {
                CSqliteStatement set(
                    db_,
                    "INSERT INTO analysis (payload_size, payload_hash, profile, bpm, bpm_text, "
                    "key_root, key_mode, measured_at, program_version, manual_bpm) "
                    "VALUES (?, ?, ?, 0, '', 0, 0, 0, ?, ?) "
                    "ON CONFLICT (payload_size, payload_hash) DO UPDATE SET "
                    "manual_bpm = excluded.manual_bpm RETURNING id");
                BindFingerprint(set, 1, fp);
                set.BindBlob(3, empty.data(), empty.size())
                    .Bind(4, std::string_view(ProgramVersion()))
                    .Bind(5, static_cast<double>(*bpm));
                if (!set.Step()) throw CSqliteError(SQLITE_ERROR, "set BPM: no row id");
                analysisId = set.Int64(0);
                set.Run();
            }
            PutIdentity(db_, id, analysisId);
            changed = true;
        }
        transaction.Commit();
    });
    return ok && changed;
}
