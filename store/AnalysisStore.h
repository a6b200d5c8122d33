#pragma once
// The analysis store: what the program has measured, kept per audio in an SQLite database, so
// that a track is measured once however often it is imported, moved, renamed or retagged.
//
// A file is found first by its identity on the disk (device, inode, size, modification time),
// which costs one stat; failing that by the fingerprint of its audio, which reads 192 KiB. A
// fingerprint hit records the file's new identity, so the next lookup is the cheap one.
//
// Reliability: every operation is serialised on one connection, however many threads call it,
// and every write is one transaction. The database is in WAL mode with a busy timeout, so
// several programs share it. A damaged or unusable database file is renamed aside
// (".damaged-<time>") and a fresh one created. Any other failure (read-only folder, full disk,
// a lock held too long) switches the store off for the rest of the run with one warning; the
// run itself goes on as if there were no store.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Text.h"
#include "profile/TrackProfile.h"
#include "store/SqliteDb.h"

struct StoredAnalysis {
    CPfTrackProfile profile;
    std::string bpmText;          // the BPM as the list showed it when measured
    std::optional<float> manualBpm;  // set by hand; wins over the measured one
    std::int64_t measuredAt = 0;  // seconds since the epoch; 0 when only set by hand
    std::string programVersion;

    // The BPM the entry takes: the hand-set one when there is one, else the measured one.
    float Bpm() const { return manualBpm ? *manualBpm : profile.bpm; }
};

class CAnalysisStore {
public:
    using WarningSink = std::function<void(const std::string&)>;

    // Opens (creating, migrating or rebuilding as needed) the database at `path`. Never raises:
    // a store that cannot be used reports one warning and is off (IsOn() false).
    CAnalysisStore(std::string path, WarningSink warn);
    ~CAnalysisStore();
    CAnalysisStore(const CAnalysisStore&) = delete;
    CAnalysisStore& operator=(const CAnalysisStore&) = delete;

    // The store at the user's default place: $XDG_DATA_HOME/tempowright/analysis.sqlite, or
    // ~/.local/share/tempowright/analysis.sqlite when XDG_DATA_HOME is unset or not absolute.
    static std::string DefaultPath();

    bool IsOn() const;
    const std::string& Path() const { return path_; }

    // What the store knows of the file's audio, or nothing (unknown, unreadable, store off).
    std::optional<StoredAnalysis> Lookup(const WString& file);

    // Keeps a finished measurement of the file under its fingerprint and identity; a BPM set by
    // hand for the same audio stays. False when nothing was kept.
    bool Record(const WString& file, const CPfTrackProfile& profile, const std::string& bpmText);

    // After the file was rewritten (a tag write): its new identity leads to the analysis of its
    // audio. False when the audio is not in the store or nothing was kept.
    bool RecordIdentity(const WString& file);

    // Sets the BPM by hand for the file's audio, measured or not; nullopt clears it. False when
    // nothing changed.
    bool SetManualBpm(const WString& file, std::optional<float> bpm);

    // The program version written with every measurement.
    static const char* ProgramVersion();

private:
    void OpenOrRebuild();
    void OpenAndPrepare();
    bool MoveAside(const std::string& reason);
    // Switches the store off, with one warning for the whole run.
    void TurnOff(const std::string& what);
    // Runs `op` under the connection lock; a failure turns the store off. False when off.
    bool Guarded(const char* what, const std::function<void()>& op);

    const std::string path_;
    WarningSink warn_;
    mutable std::mutex mutex_;  // the one connection and on_
    CSqliteDb db_;
    bool on_ = false;
    bool offWarned_ = false;
};
