#pragma once
// The decisions of the updater thread, free of the platform: whether it may start, whether an
// update is due, how the attempt record moves on, what the installer's own verdict means, and
// the "has been updated" notice. The Windows layer gathers the inputs and acts on the answers.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "update/attempt_record.h"
#include "update/manifest.h"

inline constexpr std::int64_t kUpdLoopWindowSeconds = 86400;
inline constexpr std::size_t kUpdLastVersionReadLimit = 64;
inline constexpr std::u16string_view kUpdAttemptFileName = u"upd-attempt.txt";
inline constexpr std::u16string_view kUpdLastVersionFileName = u"last-version.txt";
inline constexpr std::u16string_view kUpdDevTreeMarker = u".jk-devtree";

enum class UpdDecision : int { UpToDate = 0, UpdateOffered = 1, UpdateRequired = 2, LoopGuard = 3 };

// What the start-up code knows when it asks to start the updater.
struct UpdStartConditions {
    std::string_view app;                 // empty: no updater
    bool hasVersion = false;              // the running version was given
    std::span<const std::u16string> args; // the program's arguments, without the program name
    bool noUpdateVariable = false;        // JK_NOUPDATE exists, whatever its value
    bool devTreeMarker = false;           // ".jk-devtree" exists in the program folder
};

// False for probe mode, "--selftest", "--jk-selftest", "--i18n-test", "--shot" (ASCII case folded),
// JK_NOUPDATE, the developer-tree marker, or a missing app or version.
bool UpdaterMayStart(const UpdStartConditions& conditions);

// The record is alive (firstTime > 0, count > 0, 0 <= now - firstTime <= 86,400) and concerns the
// entry's target (same non-empty hash, or same non-empty target as "latest").
bool AttemptRecordConcerns(const UpdAttemptRecord& record, const UpdManifestEntry& entry, std::int64_t now);

UpdDecision DecideUpdate(const UpdManifestEntry& entry, std::string_view runningVersion,
                         const UpdAttemptRecord& record, std::int64_t now);

// The record written just before the hand-off: the series goes on (count + 1, never above 1,000)
// when the old record concerns this target, else a new series starts now with count 1.
UpdAttemptRecord NewAttemptRecord(const UpdAttemptRecord& old, const UpdManifestEntry& entry,
                                  std::int64_t now);

// After LoopGuard: the user hears of it once per series. Returns the record to write back (count 3)
// and show the fallback dialog for, or nullopt to only log.
std::optional<UpdAttemptRecord> LoopGuardEscalation(const UpdAttemptRecord& record);

// The installer's verdict in the registry (UTF-8 texts, nullopt when a value is missing): true
// only when LastTarget equals latest and LastResult is "reverted", "revert-unsafe",
// "restore-failed" or "stage-failed".
bool MachineVerdictRefuses(const std::optional<std::string>& lastResult,
                           const std::optional<std::string>& lastTarget, std::string_view latest);

// The persistence test: the write succeeded and the text read back equals what was written.
bool PersistenceHolds(bool written, const std::optional<std::string>& readBack, std::string_view writtenText);

// The installer's file name: the part of the manifest key after its first "/".
std::string InstallerFileName(std::string_view key);

// What to do with "last-version.txt" at start.
struct UpdAnnouncement {
    std::optional<std::string> newFileText; // write this when set (running version + LF)
    bool show = false;                      // show "has been updated" and log "updated"
    std::string previousVersion;            // the old version, for the box
    std::string logDetail;                  // "OLD->NEW"
};

// fileText: the file's bytes (at most 64), empty when missing or unreadable.
UpdAnnouncement DecideAnnouncement(std::string_view fileText, std::string_view runningVersion);
