#include <gtest/gtest.h>

#include "update/updater_rules.h"

namespace {

const std::string kHash(64, 'b');
const std::string kOtherHash(64, 'c');
constexpr std::int64_t kNow = 1700000000;

UpdManifestEntry Entry(std::string latest, std::string minSupported = "0.6.0") {
    return {std::move(latest), std::move(minSupported), "player/Setup.exe", kHash, 1234};
}

TEST(DecideUpdate, VersionsAndTheLoopGuard) {
    const UpdAttemptRecord none;
    const UpdAttemptRecord twice{kHash, "0.6.9", kNow - 3600, 2};
    struct Case {
        const char* name;
        UpdManifestEntry entry;
        std::string running;
        UpdAttemptRecord record;
        UpdDecision decision;
    } cases[] = {
        {"latest equal", Entry("0.6.8"), "0.6.8", none, UpdDecision::UpToDate},
        {"latest lower", Entry("0.6.7"), "0.6.8", none, UpdDecision::UpToDate},
        {"latest unparsable", Entry("0.6"), "0.6.8", none, UpdDecision::UpToDate},
        {"running unparsable", Entry("0.6.9"), "0.6.8-dev", none, UpdDecision::UpToDate},
        {"newer offered", Entry("0.6.9"), "0.6.8", none, UpdDecision::UpdateOffered},
        {"numeric, not textual", Entry("0.10.0"), "0.9.9", none, UpdDecision::UpdateOffered},
        {"below min_supported", Entry("0.7.1", "0.7.0"), "0.6.8", none, UpdDecision::UpdateRequired},
        {"at min_supported", Entry("0.7.1", "0.6.8"), "0.6.8", none, UpdDecision::UpdateOffered},
        {"min_supported unparsable", Entry("0.7.1", "x"), "0.6.8", none, UpdDecision::UpdateOffered},
        {"two attempts within a day", Entry("0.6.9"), "0.6.8", twice, UpdDecision::LoopGuard},
        {"loop guard beats required", Entry("0.6.9", "0.6.9"), "0.6.8", twice, UpdDecision::LoopGuard},
        {"three attempts", Entry("0.6.9"), "0.6.8", {kHash, "0.6.9", kNow - 10, 3}, UpdDecision::LoopGuard},
        {"one attempt", Entry("0.6.9"), "0.6.8", {kHash, "0.6.9", kNow - 10, 1}, UpdDecision::UpdateOffered},
        {"exactly a day old",
         Entry("0.6.9"),
         "0.6.8",
         {kHash, "0.6.9", kNow - 86400, 2},
         UpdDecision::LoopGuard},
        {"a day and a second",
         Entry("0.6.9"),
         "0.6.8",
         {kHash, "0.6.9", kNow - 86401, 2},
         UpdDecision::UpdateOffered},
        {"first time in the future",
         Entry("0.6.9"),
         "0.6.8",
         {kHash, "0.6.9", kNow + 1, 2},
         UpdDecision::UpdateOffered},
        {"first time 0", Entry("0.6.9"), "0.6.8", {kHash, "0.6.9", 0, 2}, UpdDecision::UpdateOffered},
        {"same hash, other target text",
         Entry("0.6.9"),
         "0.6.8",
         {kHash, "x", kNow - 10, 2},
         UpdDecision::LoopGuard},
        {"same target, other hash",
         Entry("0.6.9"),
         "0.6.8",
         {kOtherHash, "0.6.9", kNow - 10, 2},
         UpdDecision::LoopGuard},
        {"other target and hash",
         Entry("0.7.0"),
         "0.6.8",
         {kOtherHash, "0.6.9", kNow - 10, 2},
         UpdDecision::UpdateOffered},
        {"empty hash and target never concern",
         Entry("0.6.9"),
         "0.6.8",
         {"", "", kNow - 10, 2},
         UpdDecision::UpdateOffered},
        {"running already at the target",
         Entry("0.7.0"),
         "0.6.9",
         {kHash, "0.6.9", kNow - 10, 2},
         UpdDecision::UpdateOffered},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideUpdate(c.entry, c.running, c.record, kNow), c.decision) << c.name;
}

TEST(NewAttemptRecord, SeriesGoOnOrStartAgain) {
    const auto entry = Entry("0.6.9");
    struct Case {
        const char* name;
        UpdAttemptRecord old;
        UpdAttemptRecord next;
    } cases[] = {
        {"no record", {}, {kHash, "0.6.9", kNow, 1}},
        {"series goes on", {kHash, "0.6.9", kNow - 100, 1}, {kHash, "0.6.9", kNow - 100, 2}},
        {"day over", {kHash, "0.6.9", kNow - 86401, 2}, {kHash, "0.6.9", kNow, 1}},
        {"other target", {kOtherHash, "0.6.7", kNow - 100, 2}, {kHash, "0.6.9", kNow, 1}},
        {"count stays readable", {kHash, "0.6.9", kNow - 100, 1000}, {kHash, "0.6.9", kNow - 100, 1000}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NewAttemptRecord(c.old, entry, kNow), c.next) << c.name;
}

TEST(LoopGuardEscalation, TellsTheUserOncePerSeries) {
    const UpdAttemptRecord second{kHash, "0.6.9", kNow, 2};
    const auto told = LoopGuardEscalation(second);
    ASSERT_TRUE(told.has_value());
    EXPECT_EQ(*told, (UpdAttemptRecord{kHash, "0.6.9", kNow, 3}));
    EXPECT_FALSE(LoopGuardEscalation(*told).has_value());
    EXPECT_FALSE(LoopGuardEscalation({kHash, "0.6.9", kNow, 4}).has_value());
}

TEST(MachineVerdict, OnlyFailureWordsForThisTarget) {
    struct Case {
        std::optional<std::string> result, target;
        bool refuses;
    } cases[] = {
        {"reverted", "0.6.9", true},
        {"revert-unsafe", "0.6.9", true},
        {"restore-failed", "0.6.9", true},
        {"stage-failed", "0.6.9", true},
        {"ok", "0.6.9", false},
        {"reverted", "0.6.8", false},
        {"Reverted", "0.6.9", false},
        {"reverted ", "0.6.9", false},
        {std::nullopt, "0.6.9", false},
        {"reverted", std::nullopt, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MachineVerdictRefuses(c.result, c.target, "0.6.9"), c.refuses)
            << c.result.value_or("<none>") << " " << c.target.value_or("<none>");
}

TEST(UpdaterStart, ConditionsThatKeepItQuiet) {
    const std::vector<std::u16string> plain = {u"C:\\a.mp4"};
    struct Case {
        const char* name;
        std::string_view app;
        bool version;
        std::vector<std::u16string> args;
        bool noUpdate;
        bool devTree;
        bool starts;
    } cases[] = {
        {"normal start", "player", true, plain, false, false, true},
        {"no app", "", true, plain, false, false, false},
        {"no version", "player", false, plain, false, false, false},
        {"JK_NOUPDATE", "player", true, plain, true, false, false},
        {"developer tree", "player", true, plain, false, true, false},
        {"probe mode", "player", true, {u"--jk-upd-probe", u"0.6.8"}, false, false, false},
        {"--shot", "player", true, {u"--shot"}, false, false, false},
        {"--SELFTEST", "player", true, {u"x", u"--SELFTEST"}, false, false, false},
        {"--jk-selftest", "player", true, {u"--jk-selftest"}, false, false, false},
        {"--i18n-test", "player", true, {u"--i18n-test"}, false, false, false},
        {"--shots is another switch", "player", true, {u"--shots"}, false, false, true},
    };
    for (const auto& c : cases) {
        const UpdStartConditions conditions{c.app, c.version, c.args, c.noUpdate, c.devTree};
        EXPECT_EQ(UpdaterMayStart(conditions), c.starts) << c.name;
    }
}

TEST(Announcement, ShownOnlyAfterARealUpgrade) {
    struct Case {
        const char* name;
        std::string file;
        std::optional<std::string> write;
        bool show;
        std::string detail;
    } cases[] = {
        {"first run", "", "0.6.9\n", false, ""},
        {"upgraded", "0.6.8\n", "0.6.9\n", true, "0.6.8->0.6.9"},
        {"upgraded, CR LF", "0.6.8\r\n\r\n", "0.6.9\n", true, "0.6.8->0.6.9"},
        {"same version", "0.6.9\n", std::nullopt, false, ""},
        {"same version without LF", "0.6.9", std::nullopt, false, ""},
        {"downgraded", "0.7.0\n", "0.6.9\n", false, ""},
        {"unparsable", "garbage\n", "0.6.9\n", false, ""},
    };
    for (const auto& c : cases) {
        const auto a = DecideAnnouncement(c.file, "0.6.9");
        EXPECT_EQ(a.newFileText, c.write) << c.name;
        EXPECT_EQ(a.show, c.show) << c.name;
        EXPECT_EQ(a.logDetail, c.detail) << c.name;
        if (c.show) {
            EXPECT_EQ(a.previousVersion, "0.6.8") << c.name;
        }
    }
}

TEST(UpdaterRules, PersistenceAndInstallerName) {
    EXPECT_TRUE(PersistenceHolds(true, std::string("v1\t\t\t0\t0\n"), "v1\t\t\t0\t0\n"));
    EXPECT_FALSE(PersistenceHolds(false, std::string("v1\t\t\t0\t0\n"), "v1\t\t\t0\t0\n"));
    EXPECT_FALSE(PersistenceHolds(true, std::nullopt, "v1\t\t\t0\t0\n"));
    EXPECT_FALSE(PersistenceHolds(true, std::string("v1\t\t\t0\t"), "v1\t\t\t0\t0\n"));
    EXPECT_EQ(InstallerFileName("player/Jaskel Setup.exe"), "Jaskel Setup.exe");
    EXPECT_EQ(InstallerFileName("player/a/b.exe"), "a/b.exe");
    EXPECT_EQ(InstallerFileName("Setup.exe"), "");
}

} // namespace
