#include <gtest/gtest.h>

#include "registrar/menu_config.h"
#include "registrar/registrar_command.h"
#include "registrar/registrar_rules.h"

namespace {

using Args = std::vector<std::u16string>;
constexpr const char16_t* kCfg =
    u"Jaskel.Menu|CN=Jaskel|1.0.0.0|C:\\p.msix|C:\\App\\1.0|Software\\Jaskel\\M|A";

TEST(MenuConfig, SevenFieldsWithNamePublisherAndVersion) {
    const auto cfg = ParseMenuCfg(kCfg);
    ASSERT_TRUE(cfg);
    EXPECT_EQ(cfg->name, u"Jaskel.Menu");
    EXPECT_EQ(cfg->publisher, u"CN=Jaskel");
    EXPECT_EQ(cfg->version, u"1.0.0.0");
    EXPECT_EQ(cfg->packagePath, u"C:\\p.msix");
    EXPECT_EQ(cfg->externalLocation, u"C:\\App\\1.0");
    EXPECT_EQ(cfg->stateKey, u"Software\\Jaskel\\M");
    EXPECT_EQ(cfg->installId, u"A");
    const auto sparse = ParseMenuCfg(u"n|p|v||||");
    ASSERT_TRUE(sparse) << "the last four fields may be empty";
    EXPECT_EQ(sparse->installId, u"");
}

TEST(MenuConfig, Refused) {
    const char16_t* bad[] = {
        u"",
        u"n|p|v|a|b|c",
        u"n|p|v|a|b|c|d|e",
        u"|p|v|a|b|c|d",
        u"n||v|a|b|c|d",
        u"n|p||a|b|c|d",
        u"n|p|v|a|b|c|d|",
        u"||||||",
        u"n|p|v|a|b|c|d||",
    };
    for (const char16_t* text : bad)
        EXPECT_FALSE(ParseMenuCfg(text))
            << std::string(text, text + std::char_traits<char16_t>::length(text));
}

TEST(RegistrarCommandLine, Commands) {
    auto c = ParseRegistrarCommand({u"register", kCfg});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->verb, RegistrarVerb::Register);
    EXPECT_EQ(c->cfg.name, u"Jaskel.Menu");
    c = ParseRegistrarCommand({u"unregister", kCfg, u"--all-users"});
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->allUsers);
    c = ParseRegistrarCommand({u"unregister", kCfg, u"--ALL-USERS"});
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->allUsers) << "matched with case";
    c = ParseRegistrarCommand({u"prune", kCfg, u"1.0", u"0.9"});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->texts, (Args{u"1.0", u"0.9"}));
    c = ParseRegistrarCommand({u"stoplock", u"win11", u"jaskel"});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->texts, (Args{u"win11", u"jaskel"}));
    c = ParseRegistrarCommand({u"probe", u"C:\\x.dll", u"{F5347F30-61EF-5F69-BC99-C6AC47C37593}"});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->path, u"C:\\x.dll");
    EXPECT_EQ(c->clsid, u"{F5347F30-61EF-5F69-BC99-C6AC47C37593}");
    c = ParseRegistrarCommand({u"secure", u"C:\\App"});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->verb, RegistrarVerb::Secure);
}

TEST(RegistrarCommandLine, BadCommandLines) {
    const Args bad[] = {
        {},
        {u"Register", kCfg},
        {u"install", kCfg},
        {u"ensure"},
        {u"ensure", u"a|b|c|d|e|f"},
        {u"register", u"n|p||a|b|c|d"},
        {u"prune", u"n|p|v|a|b|c"},
        {u"stoplock"},
        {u"probe", u"C:\\x.dll"},
        {u"secure"},
    };
    for (const auto& args : bad)
        EXPECT_FALSE(ParseRegistrarCommand(args)) << (args.empty() ? "no command" : "a bad command line");
}

TEST(RegistrarRules, VersionsLocationsAndCodes) {
    EXPECT_EQ(FormatPackageVersion(1, 0, 65535, 12), u"1.0.65535.12");
    EXPECT_TRUE(SameExternalLocation(u"C:\\App\\", u"c:\\app"));
    EXPECT_TRUE(SameExternalLocation(u"c:\\app", u"C:\\App\\/"));
    EXPECT_FALSE(SameExternalLocation(u"", u""));
    EXPECT_FALSE(SameExternalLocation(u"C:\\App2", u"C:\\App"));
    EXPECT_EQ(UnsignedCode(static_cast<std::int32_t>(0x80073CF3)), u"2147958003");
    EXPECT_EQ(UnsignedCode(0), u"0");
}

TEST(RegistrarRules, LogLine) {
    EXPECT_EQ(FormatLogLine({2025, 3, 7, 9, 5, 1}, u"register ok Jaskel 1.0.0.0"),
              "2025-03-07 09:05:01 register ok Jaskel 1.0.0.0\r\n");
    EXPECT_EQ(FormatLogLine({2025, 12, 31, 23, 59, 59}, u"x \u2014 y"),
              "2025-12-31 23:59:59 x \xE2\x80\x94 y\r\n");
}

TEST(RegistrarRules, SkipReasonsInOrder) {
    EXPECT_EQ(SkipReasonFor({std::nullopt, false, false}), u"windows-10");
    EXPECT_EQ(SkipReasonFor({21999u, true, true}), u"windows-10");
    EXPECT_EQ(SkipReasonFor({22000u, true, true}), u"safe-mode");
    EXPECT_EQ(SkipReasonFor({22631u, false, true}), u"classic-menu-forced");
    EXPECT_EQ(SkipReasonFor({22000u, false, false}), std::nullopt);
}

TEST(RegistrarRules, EnsureGivesUpAfterThreeFailuresOfTheSameConfiguration) {
    MenuCfg cfg = *ParseMenuCfg(kCfg);
    const auto failed = [](std::uint32_t tries) { return StateRecord{u"1.0.0.0", u"A", 0x80070005u, tries}; };
    EXPECT_FALSE(EnsureGivesUp(failed(2), cfg));
    EXPECT_TRUE(EnsureGivesUp(failed(3), cfg));
    EXPECT_FALSE(EnsureGivesUp(StateRecord{u"1.0.0.0", u"A", 0u, 3u}, cfg)) << "the last attempt succeeded";
    EXPECT_TRUE(EnsureGivesUp(StateRecord{u"1.0.0.0", u"A", std::nullopt, 3u}, cfg))
        << "a missing Hr counts as 1";
    EXPECT_FALSE(EnsureGivesUp(StateRecord{u"1.0.0.0", u"A", 1u, std::nullopt}, cfg))
        << "missing Tries count as 0";
    cfg.version = u"1.0.1.0";
    EXPECT_FALSE(EnsureGivesUp(failed(3), cfg)) << "a new version tries again";
    cfg = *ParseMenuCfg(kCfg);
    cfg.installId = u"B";
    EXPECT_FALSE(EnsureGivesUp(failed(3), cfg)) << "a new installation tries again";
}

TEST(RegistrarRules, TriesAndKeptFolders) {
    EXPECT_EQ(NextTries(0, true, 5u), 0u);
    EXPECT_EQ(NextTries(static_cast<std::int32_t>(0x80070005), true, 2u), 3u);
    EXPECT_EQ(NextTries(static_cast<std::int32_t>(0x80070005), true, std::nullopt), 1u);
    EXPECT_EQ(NextTries(static_cast<std::int32_t>(0x80070005), false, 2u), 1u);
    EXPECT_TRUE(IsKeptFolder(u"1.0.0.0", {}, {u"1.0.0.0"}));
    EXPECT_TRUE(IsKeptFolder(u"Current", {u"current"}, {}));
    EXPECT_FALSE(IsKeptFolder(u"0.9.0.0", {u"current"}, {u"1.0.0.0"}));
}

} // namespace
