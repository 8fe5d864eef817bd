#include <gtest/gtest.h>

#include <limits>

#include "diag/json_writer.h"

namespace {

TEST(JsonWriter, NestedStructureWithCommas) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a").Int(-3).Key("b").Bool(true).Key("list").BeginArray().Int(1).String(u"x").Null().EndArray();
    json.Key("empty").BeginObject().EndObject();
    json.Key("rect").BeginObject().Key("x").Int(0).Key("y").Int(36).EndObject();
    json.EndObject();
    EXPECT_EQ(json.Text(), R"({"a":-3,"b":true,"list":[1,"x",null],"empty":{},"rect":{"x":0,"y":36}})");
}

TEST(JsonWriter, StringEscapes) {
    struct Case {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"C:\\v\\\"a\".mp4", R"("C:\\v\\\"a\".mp4")"},
        {u"line\nbreak\ttab\r", R"("line\nbreak\ttab\r")"},
        {std::u16string(u"\u0001\u001f", 2), R"("\u0001\u001f")"},
        {u"\uC7AC\uC0DD", "\"\xEC\x9E\xAC\xEC\x83\x9D\""},
        {std::u16string(1, char16_t(0xD800)), "\"\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        JsonWriter json;
        json.String(c.in);
        EXPECT_EQ(json.Text(), c.out);
    }
}

TEST(JsonWriter, Numbers) {
    JsonWriter json;
    json.BeginArray().Double(-1).Double(2.5).Double(std::numeric_limits<double>::infinity());
    json.Double(std::numeric_limits<double>::quiet_NaN()).EndArray();
    EXPECT_EQ(json.Text(), "[-1,2.5,null,null]");
}

} // namespace
