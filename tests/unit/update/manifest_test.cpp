#include <gtest/gtest.h>

#include "tests/unit/update/update_test_support.h"
#include "update/base64.h"

namespace {

using upd_test::EntryJson;
using upd_test::Signed;

UpdManifestResult Parse(std::string_view text, std::string_view app = "player") {
    UpdManifestEntry out;
    return ParseUpdManifest(text, upd_test::TestKey(), app, out);
}

std::string WordOf(std::string_view text, std::string_view app = "player") {
    return UpdResultName(Parse(text, app));
}

EntryJson With(std::string EntryJson::*field, std::string value) {
    EntryJson e;
    e.*field = std::move(value);
    return e;
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

TEST(UpdManifest, ValidManifestFillsTheEntry) {
    UpdManifestEntry out;
    ASSERT_EQ(ParseUpdManifest(Signed(EntryJson().Body()), upd_test::TestKey(), "player", out),
              UpdManifestResult::Ok);
    EXPECT_EQ(out.latest, "0.6.9");
    EXPECT_EQ(out.minSupported, "0.6.0");
    EXPECT_EQ(out.key, "player/Setup.exe");
    EXPECT_EQ(out.sha256, upd_test::kSha);
    EXPECT_EQ(out.size, 1234);
}

TEST(UpdManifest, ResultWords) {
    const std::pair<int, std::string> words[] = {{0, "ok"},       {1, "bad-format"}, {2, "bad-manifest-sig"},
                                                 {3, "bad-json"}, {4, "no-app"},     {5, "bad-entry"},
                                                 {6, "?"},        {-1, "?"}};
    for (const auto& [value, word] : words)
        EXPECT_EQ(UpdResultName(value), word) << value;
}

// The first line: size, magic, line end and the signature's encoding.
TEST(UpdManifest, FormatCases) {
    const std::string good = Signed(EntryJson().Body());
    const std::size_t lf = good.find('\n');
    const std::string sig = good.substr(7, lf - 7);
    const std::string body = good.substr(lf + 1);
    const std::string fill96 = std::string(65536 - 96 - body.size(), ' '); // pads the file to 65,536
    struct Case {
        const char* name;
        std::string text;
        std::string word;
    } cases[] = {
        {"exactly 65,536 bytes", Signed(body + fill96), "ok"},
        {"65,537 bytes", Signed(body + fill96 + " "), "bad-format"},
        {"CR before the line feed", good.substr(0, lf) + "\r" + good.substr(lf), "bad-format"},
        {"wrong magic", "JKUPD2 " + good.substr(7), "bad-format"},
        {"lower-case magic", "jkupd1 " + good.substr(7), "bad-format"},
        {"no space after the magic", "JKUPD1" + good.substr(7), "bad-format"},
        {"shorter than the magic", "JKUPD", "bad-format"},
        {"empty", "", "bad-format"},
        {"no line feed", good.substr(0, lf), "bad-format"},
        {"trailing space after the signature", "JKUPD1 " + sig + " \n" + body, "bad-format"},
        {"86 characters without padding", "JKUPD1 " + sig.substr(0, 86) + "\n" + body, "bad-format"},
        {"character outside the alphabet", "JKUPD1 *" + sig.substr(1) + "\n" + body, "bad-format"},
        {"url-safe alphabet", "JKUPD1 -" + sig.substr(1) + "\n" + body, "bad-format"},
        {"padding inside", "JKUPD1 " + sig.substr(0, 40) + "=" + sig.substr(41) + "\n" + body, "bad-format"},
        {"valid base64 of 63 bytes", "JKUPD1 " + EncodeBase64(std::vector<std::uint8_t>(63)) + "\n" + body,
         "bad-format"},
        {"valid base64 of 66 bytes", "JKUPD1 " + EncodeBase64(std::vector<std::uint8_t>(66)) + "\n" + body,
         "bad-format"},
        {"line break inside the signature",
         "JKUPD1 " + sig.substr(0, 44) + "\n" + sig.substr(44) + "\n" + body, "bad-format"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordOf(c.text), c.word) << c.name;
}

TEST(UpdManifest, SignatureCoversTheBodyExactly) {
    const std::string body = EntryJson().Body();
    const std::string good = Signed(body);
    const std::size_t start = good.size() - body.size();
    for (std::size_t i = start; i < good.size(); ++i) {
        std::string changed = good;
        changed[i] = static_cast<char>(changed[i] ^ 0x01);
        EXPECT_EQ(WordOf(changed), "bad-manifest-sig") << "byte " << i - start;
    }
    EXPECT_EQ(WordOf(good + " "), "bad-manifest-sig") << "a byte added";
    EXPECT_EQ(WordOf(good.substr(0, good.size() - 1)), "bad-manifest-sig") << "the last byte cut";
    std::string crlf = good;
    crlf.replace(crlf.size() - 1, 1, "\r\n");
    EXPECT_EQ(WordOf(crlf), "bad-manifest-sig") << "line ends converted";
    UpdManifestEntry out;
    UpdPublicKey other = upd_test::TestKey();
    other[0] ^= 1;
    EXPECT_EQ(ParseUpdManifest(good, other, "player", out), UpdManifestResult::BadManifestSig) << "other key";
}

TEST(UpdManifest, BodyShapeCases) {
    const std::string entry = EntryJson().Object();
    struct Case {
        const char* name;
        std::string body;
        std::string word;
    } cases[] = {
        {"v 2", "{\"v\": 2, \"apps\": {\"player\": " + entry + "}}", "bad-json"},
        {"v missing", "{\"apps\": {\"player\": " + entry + "}}", "bad-json"},
        {"v as text", "{\"v\": \"1\", \"apps\": {\"player\": " + entry + "}}", "bad-json"},
        {"v 1.0", "{\"v\": 1.0, \"apps\": {\"player\": " + entry + "}}", "bad-json"},
        {"v after apps", "{\"apps\": {\"player\": " + entry + "}, \"v\": 1}", "ok"},
        {"apps missing", "{\"v\": 1}", "no-app"},
        {"empty apps", "{\"v\": 1, \"apps\": {}}", "no-app"},
        {"player missing", "{\"v\": 1, \"apps\": {\"other\": " + entry + "}}", "no-app"},
        {"empty object", "{}", "bad-json"},
        {"not an object", "[1]", "bad-json"},
        {"empty body", "", "bad-json"},
        {"apps not an object", "{\"v\": 1, \"apps\": [" + entry + "]}", "bad-json"},
        {"entry not an object", "{\"v\": 1, \"apps\": {\"player\": \"x\"}}", "bad-json"},
        {"another app's entry not an object", "{\"v\": 1, \"apps\": {\"player\": " + entry + ", \"x\": 1}}",
         "bad-json"},
        {"two player entries", "{\"v\": 1, \"apps\": {\"player\": " + entry + ", \"player\": " + entry + "}}",
         "bad-json"},
        {"two entries for another app",
         "{\"v\": 1, \"apps\": {\"other\": " + entry + ", \"other\": " + entry + ", \"player\": " + entry +
             "}}",
         "ok"},
        {"text after the object", "{\"v\": 1, \"apps\": {\"player\": " + entry + "}} x", "bad-json"},
        {"whitespace everywhere", " \t\r\n{ \"v\" : 1 ,\n\"apps\"\t:{ \"player\" :" + entry + " } }\r\n",
         "ok"},
        {"trailing comma", "{\"v\": 1, \"apps\": {\"player\": " + entry + "},}", "bad-json"},
        {"missing colon", "{\"v\" 1, \"apps\": {\"player\": " + entry + "}}", "bad-json"},
        {"unterminated", "{\"v\": 1, \"apps\": {\"player\": " + entry + "}", "bad-json"},
        {"bad member after the entry", "{\"v\": 1, \"apps\": {\"player\": " + entry + "}, \"x\": tru}",
         "bad-json"},
        {"unknown members skipped",
         "{\"v\": 1, \"n\": null, \"t\": true, \"f\": false, \"s\": \"x\", \"i\": -3, \"o\": {\"a\": [1, "
         "\"b\"]}, "
         "\"apps\": {\"player\": " +
             entry + "}}",
         "ok"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordOf(Signed(c.body)), c.word) << c.name;
}

// Strings, integers and nesting depth of the JSON subset, at the top level and inside the entry.
TEST(UpdManifest, JsonSubsetCases) {
    const std::string entry = EntryJson().Object();
    const auto top = [&](const std::string& value) {
        return "{\"v\": 1, \"x\": " + value + ", \"apps\": {\"player\": " + entry + "}}";
    };
    const auto inEntry = [](const std::string& value) {
        return With(&EntryJson::extra, ", \"x\": " + value).Body();
    };
    struct Case {
        const char* name;
        std::string body;
        std::string word;
    } cases[] = {
        {"top [[[1]]]", top("[[[1]]]"), "ok"},
        {"top [[[[1]]]]", top("[[[[1]]]]"), "bad-json"},
        {"top empty array at depth 4", top("[[[[]]]]"), "ok"},
        {"top empty object at depth 4", top("{\"a\": {\"b\": {\"c\": {}}}}"), "ok"},
        {"top object at depth 5", top("{\"a\": {\"b\": {\"c\": {\"d\": 1}}}}"), "bad-json"},
        {"entry [[1]]", inEntry("[[1]]"), "ok"},
        {"entry [[[1]]]", inEntry("[[[1]]]"), "bad-json"},
        {"entry empty array at depth 4", inEntry("[[[]]]"), "ok"},
        {"\\u escape in a skipped string", top("\"\\u00e9\""), "bad-json"},
        {"\\u escape in a name", "{\"v\": 1, \"\\u0061\": 1, \"apps\": {\"player\": " + entry + "}}",
         "bad-json"},
        {"\\u escape in an entry text", inEntry("\"\\u00e9\""), "bad-json"},
        {"the same character in UTF-8", inEntry("\"\xc3\xa9\""), "ok"},
        {"allowed escapes", inEntry("\"\\\" \\/ \\\\ \\b \\f \\n \\r \\t\""), "ok"},
        {"unknown escape", inEntry("\"\\x\""), "bad-json"},
        {"raw tab in a string", inEntry("\"a\tb\""), "bad-json"},
        {"raw line feed in a string", inEntry("\"a\nb\""), "bad-json"},
        {"largest integer", top("9223372036854775799"), "ok"},
        {"integer one too many", top("9223372036854775800"), "bad-json"},
        {"huge negative", top("-99999999999999999999"), "bad-json"},
        {"fraction", top("1.5"), "bad-json"},
        {"exponent", top("1e3"), "bad-json"},
        {"upper exponent", top("1E3"), "bad-json"},
        {"lone minus", top("-"), "bad-json"},
        {"plus sign", top("+1"), "bad-json"},
        {"size 1.5e7", With(&EntryJson::size, "1.5e7").Body(), "bad-json"},
        {"size as text", With(&EntryJson::size, "\"1234\"").Body(), "bad-entry"},
        {"size as true", With(&EntryJson::size, "true").Body(), "bad-entry"},
        {"unknown literal", top("nul"), "bad-json"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordOf(Signed(c.body)), c.word) << c.name;
}

TEST(UpdManifest, DuplicateMembers) {
    struct Case {
        const char* name;
        std::string extra;
        std::string word;
    } cases[] = {
        {"size twice", ", \"size\": 1234", "bad-json"},
        {"latest twice", ", \"latest\": \"0.6.9\"", "bad-json"},
        {"name as text and as number", ", \"sha256\": 5", "bad-json"},
        {"a skipped member twice", ", \"x\": true, \"x\": true", "bad-json"},
        {"a skipped member and a kept one", ", \"x\": [1], \"x\": 2", "bad-json"},
        {"different unknown members", ", \"x\": \"a\", \"y\": 2, \"z\": null", "ok"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordOf(Signed(With(&EntryJson::extra, c.extra).Body())), c.word) << c.name;
}

TEST(UpdManifest, EntryFieldCases) {
    const std::string name81 = std::string(77, 'a') + ".exe";
    const std::string name82 = std::string(78, 'a') + ".exe";
    struct Case {
        const char* name;
        EntryJson entry;
        std::string word;
    } cases[] = {
        {"key player/Setup.exe", {}, "ok"},
        {"key with spaces", With(&EntryJson::key, Quoted("player/Jaskel Player Setup 0.6.9.exe")), "ok"},
        {"key with - . _", With(&EntryJson::key, Quoted("player/a-b_c.d.exe")), "ok"},
        {"key setup.EXE", With(&EntryJson::key, Quoted("player/setup.EXE")), "bad-entry"},
        {"key ../x.exe", With(&EntryJson::key, Quoted("player/../x.exe")), "bad-entry"},
        {"key .exe", With(&EntryJson::key, Quoted("player/.exe")), "bad-entry"},
        {"key other/Setup.exe", With(&EntryJson::key, Quoted("other/Setup.exe")), "bad-entry"},
        {"key without the app", With(&EntryJson::key, Quoted("Setup.exe")), "bad-entry"},
        {"key player2/Setup.exe", With(&EntryJson::key, Quoted("player2/Setup.exe")), "bad-entry"},
        {"key with a backslash", With(&EntryJson::key, Quoted("player/a\\\\b.exe")), "bad-entry"},
        {"key with a colon", With(&EntryJson::key, Quoted("player/c:x.exe")), "bad-entry"},
        {"key with UTF-8", With(&EntryJson::key, Quoted("player/\xc3\xa9.exe")), "bad-entry"},
        {"key .dmg for Windows", With(&EntryJson::key, Quoted("player/Setup.dmg")), "bad-entry"},
        {"file name of 81 bytes", With(&EntryJson::key, Quoted("player/" + name81)), "ok"},
        {"file name of 82 bytes", With(&EntryJson::key, Quoted("player/" + name82)), "bad-entry"},
        {"key missing", With(&EntryJson::key, "null"), "bad-entry"},
        {"upper-case hash",
         With(&EntryJson::sha256, Quoted("3B7E4B8A0C1F2D3E4F5061728394A5B6C7D8E9F00112233445566778899AABBC")),
         "bad-entry"},
        {"hash of 63 digits", With(&EntryJson::sha256, Quoted(upd_test::kSha.substr(1))), "bad-entry"},
        {"hash with g", With(&EntryJson::sha256, Quoted("g" + upd_test::kSha.substr(1))), "bad-entry"},
        {"latest 0.6.9-beta", With(&EntryJson::latest, Quoted("0.6.9-beta")), "bad-entry"},
        {"latest 0.6", With(&EntryJson::latest, Quoted("0.6")), "bad-entry"},
        {"latest 0.6.9 and a space", With(&EntryJson::latest, Quoted("0.6.9 ")), "bad-entry"},
        {"latest as a number", With(&EntryJson::latest, "7"), "bad-entry"},
        {"min_supported 0.6.9.1", With(&EntryJson::minSupported, Quoted("0.6.9.1")), "bad-entry"},
        {"min_supported with mac- for Windows", With(&EntryJson::minSupported, Quoted("mac-0.6.0")),
         "bad-entry"},
        {"size 0", With(&EntryJson::size, "0"), "bad-entry"},
        {"size -5", With(&EntryJson::size, "-5"), "bad-entry"},
        {"size 1", With(&EntryJson::size, "1"), "ok"},
        {"size 2,147,483,648", With(&EntryJson::size, "2147483648"), "ok"},
        {"size 2,147,483,649", With(&EntryJson::size, "2147483649"), "bad-entry"},
        {"size missing", With(&EntryJson::size, "null"), "bad-entry"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordOf(Signed(c.entry.Body())), c.word) << c.name;
}

TEST(UpdManifest, MacAppsUseTheirPrefixAndDiskImages) {
    const auto body = [](const std::string& latest, const std::string& key) {
        EntryJson e;
        e.latest = Quoted(latest);
        e.minSupported = Quoted("mac-0.6.0");
        e.key = Quoted(key);
        return "{\"v\": 1, \"apps\": {\"player-mac\": " + e.Object() + "}}";
    };
    struct Case {
        std::string latest, key, word;
    } cases[] = {
        {"mac-0.6.9", "player-mac/Jaskel.dmg", "ok"},
        {"0.6.9", "player-mac/Jaskel.dmg", "bad-entry"},
        {"mac-0.6.9", "player-mac/Jaskel.exe", "bad-entry"},
        {"MAC-0.6.9", "player-mac/Jaskel.dmg", "bad-entry"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordOf(Signed(body(c.latest, c.key)), "player-mac"), c.word) << c.latest << " " << c.key;
}

TEST(UpdManifest, OutputIsEmptyAfterEveryFailure) {
    const std::string texts[] = {"", Signed(EntryJson().Body()) + " ", Signed("{\"v\": 2}"),
                                 Signed("{\"v\": 1}"), Signed(With(&EntryJson::size, "0").Body())};
    for (const auto& text : texts) {
        UpdManifestEntry out{"1.0.0", "1.0.0", "player/x.exe", upd_test::kSha, 99};
        EXPECT_NE(ParseUpdManifest(text, upd_test::TestKey(), "player", out), UpdManifestResult::Ok);
        EXPECT_EQ(out.latest + out.minSupported + out.key + out.sha256, "");
        EXPECT_EQ(out.size, 0);
    }
}

TEST(UpdManifest, PublicKeyDecoding) {
    UpdPublicKey key{};
    EXPECT_TRUE(DecodeUpdPublicKey("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=", key));
    for (std::size_t i = 0; i < key.size(); ++i)
        EXPECT_EQ(key[i], i);
    EXPECT_FALSE(DecodeUpdPublicKey("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHg==", key)) << "31 bytes";
    EXPECT_FALSE(DecodeUpdPublicKey("AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8", key)) << "no padding";
    EXPECT_FALSE(DecodeUpdPublicKey("", key));
}

} // namespace
