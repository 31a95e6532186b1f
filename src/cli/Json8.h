// JSON in the companion's fixed form: one document on stdout, 8-bit text from files written as
// bytes 0x20..0x7E themselves and every other byte as \u00XX; input read back the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace cli {

// Streaming writer: keeps the key order the caller uses. Commas are placed automatically.
// Given a sink, the text goes out in pieces as the document grows and Finish writes the rest,
// so a large document is never held whole; without one, Text() holds it all.
class JsonWriter {
public:
    explicit JsonWriter(std::FILE* sink = nullptr) : sink_(sink) {}
    // Writes what is held to the sink.
    void Finish();
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view bytes); // 8-bit text, escaped as above
    // Unicode text (valid UTF-8) as a plain JSON string: UTF-8 as it is, with JSON's escapes
    // for '"', '\\' and control characters.
    JsonWriter& Unicode(std::string_view utf8);
    JsonWriter& Null();
    JsonWriter& Bool(bool v);
    JsonWriter& Int(int64_t v);
    // Shortest text that reads back to the same 32-bit float; values JSON has no number for are
    // strings (FloatText).
    JsonWriter& Float(float v);
    const std::string& Text() const { return out_; }

private:
    void Separate();
    std::FILE* sink_;
    std::string out_;
    bool needComma_ = false;
    bool afterKey_ = false;
};

// A 32-bit float as the companion writes it, so that every value a file can hold reads back to
// the same 32 bits: a finite value as the shortest number that reads back to it ("-0.0" for
// negative zero, so that it is not read as the integer 0); the others as strings: "inf", "-inf",
// "nan" (the default quiet NaN, bits 0x7FC00000), and any other NaN as "nan:0x" and its eight
// hex digits of raw bits (sign, exponent and payload: "nan:0xffc00000", "nan:0x7f800001").
std::string FloatText(float v);

// A float as apply reads it: a JSON number (the float nearest to it; a number printed by
// FloatText reads back to exactly its float), or one of FloatText's strings. Nothing when the
// value is neither, or a number beyond the float range.
std::optional<float> FloatFromJson(const nlohmann::json& value);

// The escaped form of 8-bit text, quotes included.
std::string Json8Quote(std::string_view bytes);

// Converts a string parsed by nlohmann (UTF-8) back to 8-bit text. Returns nothing when a code
// point above 0xFF occurs.
std::optional<std::string> Json8Decode(const std::string& utf8);

} // namespace cli
