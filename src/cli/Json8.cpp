#include "Json8.h"

#include <charconv>
#include <cstdio>

namespace cli {

std::string Json8Quote(std::string_view bytes) {
    std::string s;
    s.reserve(bytes.size() + 2);
    s += '"';
    for (unsigned char b : bytes) {
        if (b == '"' || b == '\\') {
            s += '\\';
            s += static_cast<char>(b);
        } else if (b >= 0x20 && b <= 0x7E) {
            s += static_cast<char>(b);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", b);
            s += esc;
        }
    }
    s += '"';
    return s;
}

std::optional<std::string> Json8Decode(const std::string& utf8) {
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            if (cp > 0xFF) return std::nullopt;
            out += static_cast<char>(cp);
            i += 2;
        } else {
            return std::nullopt; // three- and four-byte sequences are all above 0xFF
        }
    }
    return out;
}

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (needComma_) out_ += ',';
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    out_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Separate();
    out_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Separate();
    out_ += Json8Quote(key);
    out_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view bytes) {
    Separate();
    out_ += Json8Quote(bytes);
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Null() {
    Separate();
    out_ += "null";
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool v) {
    Separate();
    out_ += v ? "true" : "false";
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Int(int64_t v) {
    Separate();
    out_ += std::to_string(v);
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Float(float v) {
    Separate();
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string text(buf, r.ptr);
    if (text == "inf" || text == "-inf" || text == "nan" || text == "-nan") {
        out_ += "null"; // JSON has no such numbers
    } else {
        out_ += text;
    }
    needComma_ = true;
    return *this;
}

} // namespace cli
