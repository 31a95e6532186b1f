#include "Json8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using cli::Json8Quote;

// Printable ASCII goes in as it is; everything else is escaped, whether it stands alone, first,
// last or among plain bytes, and the text read back is the text given.
TEST(Json8, QuotesPlainTextWholeAndEscapesTheRest) {
    EXPECT_EQ(Json8Quote(""), "\"\"");
    EXPECT_EQ(Json8Quote("chunk 12345"), "\"chunk 12345\"");
    EXPECT_EQ(Json8Quote("\""), "\"\\\"\"");
    EXPECT_EQ(Json8Quote("a\\b"), "\"a\\\\b\"");
    EXPECT_EQ(Json8Quote(std::string("\x01z\x7f", 3)), "\"\\u0001z\\u007f\"");
    EXPECT_EQ(Json8Quote("caf\xe9"), "\"caf\\u00e9\"");
    EXPECT_EQ(Json8Quote(std::string("\0", 1)), "\"\\u0000\"");
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string quoted = Json8Quote(all);
    EXPECT_EQ(cli::Json8Decode(nlohmann::json::parse(quoted).get<std::string>()), all);
}

TEST(Json8, WriterSeparatesKeysAndValues) {
    cli::JsonWriter w;
    w.BeginObject().Key("label").String("").Key("list").BeginArray();
    w.String("x").Int(-3).EndArray().EndObject();
    EXPECT_EQ(w.Text(), "{\"label\":\"\",\"list\":[\"x\",-3]}");
}

} // namespace
