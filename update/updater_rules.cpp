#include "update/updater_rules.h"

#include <algorithm>

#include "base/ascii.h"
#include "update/probe.h"
#include "update/upd_version.h"

namespace {

// Runs that must never reach the network: the self-tests and the screenshot mode.
constexpr std::u16string_view kQuietSwitches[] = {u"--selftest", u"--jk-selftest", u"--i18n-test", u"--shot"};

bool HasQuietSwitch(std::span<const std::u16string> args) {
    for (const auto& arg : args) {
        for (const auto quiet : kQuietSwitches) {
            if (AsciiEqualsNoCase(arg, quiet))
                return true;
        }
    }
    return false;
}

} // namespace

bool UpdaterMayStart(const UpdStartConditions& c) {
    if (c.app.empty() || !c.hasVersion || c.noUpdateVariable || c.devTreeMarker)
        return false;
    const std::vector<std::u16string> args(c.args.begin(), c.args.end());
    return !IsProbeMode(args) && !HasQuietSwitch(c.args);
}

bool AttemptRecordConcerns(const UpdAttemptRecord& record, const UpdManifestEntry& entry, std::int64_t now) {
    if (record.firstTime <= 0 || record.count <= 0)
        return false;
    const std::int64_t age = now - record.firstTime; // both positive, so no overflow
    if (age < 0 || age > kUpdLoopWindowSeconds)
        return false;
    return (!record.sha256.empty() && record.sha256 == entry.sha256) ||
           (!record.target.empty() && record.target == entry.latest);
}

UpdDecision DecideUpdate(const UpdManifestEntry& entry, std::string_view runningVersion,
                         const UpdAttemptRecord& record, std::int64_t now) {
    if (CompareUpdVersions(runningVersion, entry.latest, false) != -1)
        return UpdDecision::UpToDate; // either does not parse, or nothing newer
    const int versusTarget = CompareUpdVersions(runningVersion, record.target, false);
    if (AttemptRecordConcerns(record, entry, now) && (versusTarget == -1 || versusTarget == -2) &&
        record.count >= 2)
        return UpdDecision::LoopGuard;
    if (CompareUpdVersions(runningVersion, entry.minSupported, false) == -1)
        return UpdDecision::UpdateRequired;
    return UpdDecision::UpdateOffered;
}

UpdAttemptRecord NewAttemptRecord(const UpdAttemptRecord& old, const UpdManifestEntry& entry,
                                  std::int64_t now) {
    UpdAttemptRecord next{entry.sha256, entry.latest, now, 1};
    if (AttemptRecordConcerns(old, entry, now)) {
        next.firstTime = old.firstTime;
        // A count above 1,000 would make the record unreadable and so forget the series.
        next.count = std::min(old.count + 1, kUpdAttemptMaxCount);
    }
    return next;
}

std::optional<UpdAttemptRecord> LoopGuardEscalation(const UpdAttemptRecord& record) {
    if (record.count != 2)
        return std::nullopt;
    UpdAttemptRecord told = record;
    told.count = 3;
    return told;
}

bool MachineVerdictRefuses(const std::optional<std::string>& lastResult,
                           const std::optional<std::string>& lastTarget, std::string_view latest) {
    if (!lastResult || !lastTarget || *lastTarget != latest)
        return false;
    return *lastResult == "reverted" || *lastResult == "revert-unsafe" || *lastResult == "restore-failed" ||
           *lastResult == "stage-failed";
}

bool PersistenceHolds(bool written, const std::optional<std::string>& readBack,
                      std::string_view writtenText) {
    return written && readBack && *readBack == writtenText;
}

std::string InstallerFileName(std::string_view key) {
    const std::size_t slash = key.find('/');
    return slash == std::string_view::npos ? std::string() : std::string(key.substr(slash + 1));
}

UpdAnnouncement DecideAnnouncement(std::string_view fileText, std::string_view runningVersion) {
    while (!fileText.empty() && (fileText.back() == '\r' || fileText.back() == '\n'))
        fileText.remove_suffix(1);
    UpdAnnouncement a;
    if (fileText != runningVersion)
        a.newFileText = std::string(runningVersion) + "\n";
    if (!fileText.empty() && CompareUpdVersions(fileText, runningVersion, false) == -1) {
        a.show = true;
        a.previousVersion = std::string(fileText);
        a.logDetail = a.previousVersion + "->" + std::string(runningVersion);
    }
    return a;
}
