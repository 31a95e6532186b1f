// JSON in the companion's fixed form: one document on stdout, 8-bit text from files written as
// bytes 0x20..0x7E themselves and every other byte as \u00XX; input read back the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace cli {

// Streaming writer: keeps the key order the caller uses. Commas are placed automatically.
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view bytes); // 8-bit text, escaped as above
    JsonWriter& Null();
    JsonWriter& Bool(bool v);
    JsonWriter& Int(int64_t v);
    JsonWriter& Float(float v); // shortest text that reads back to the same 32-bit float
    const std::string& Text() const { return out_; }

private:
    void Separate();
    std::string out_;
    bool needComma_ = false;
    bool afterKey_ = false;
};

// The escaped form of 8-bit text, quotes included.
std::string Json8Quote(std::string_view bytes);

// Converts a string parsed by nlohmann (UTF-8) back to 8-bit text. Returns nothing when a code
// point above 0xFF occurs.
std::optional<std::string> Json8Decode(const std::string& utf8);

} // namespace cli
