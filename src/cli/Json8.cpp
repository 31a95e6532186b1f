#include "Json8.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

// Bytes a JSON string holds as they are: printable ASCII but the quote and the backslash.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b <= 0x7E; ++b)
        plain[size_t(b)] = b != '"' && b != '\\';
    return plain;
}();

// Appends the escaped form of 8-bit text, quotes included; printable runs go in whole.
void AppendQuoted(std::string& s, std::string_view bytes) {
    const char* const p = bytes.data();
    size_t i = 0;
    while (i < bytes.size() && kPlainBytes[static_cast<unsigned char>(p[i])])
        ++i;
    if (i == bytes.size()) { // mostly: one piece between the quotes
        const size_t at = s.size();
        s.resize(at + bytes.size() + 2);
        s[at] = '"';
        if (!bytes.empty()) std::memcpy(s.data() + at + 1, p, bytes.size());
        s.back() = '"';
        return;
    }
    s += '"';
    size_t run = 0;
    for (; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(p[i]);
        if (kPlainBytes[b]) continue;
        s.append(p + run, i - run);
        run = i + 1;
        if (b == '"' || b == '\\') {
            s += '\\';
            s += static_cast<char>(b);
        } else {
            static const char hex[] = "0123456789abcdef";
            const char esc[6] = {'\\', 'u', '0', '0', hex[b >> 4], hex[b & 0xF]};
            s.append(esc, sizeof esc);
        }
    }
    s.append(p + run, bytes.size() - run);
    s += '"';
}

} // namespace

std::string Json8Quote(std::string_view bytes) {
    std::string s;
    s.reserve(bytes.size() + 2);
    AppendQuoted(s, bytes);
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

void JsonWriter::Finish() {
    if (!sink_ || out_.empty()) return;
    std::fwrite(out_.data(), 1, out_.size(), sink_);
    out_.clear();
}

void JsonWriter::Separate() {
    // Between two values the text so far is whole: a good place to hand it on.
    constexpr size_t kPiece = 1 << 16;
    if (sink_ && out_.size() >= kPiece) Finish();
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
    AppendQuoted(out_, key);
    out_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view bytes) {
    Separate();
    AppendQuoted(out_, bytes);
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Unicode(std::string_view utf8) {
    Separate();
    out_ += nlohmann::json(std::string(utf8))
                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    out_.append(digits, size_t(end - digits));
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Float(float v) {
    Separate();
    const std::string text = FloatText(v);
    out_ += std::isfinite(v) ? text : Json8Quote(text); // JSON has no such numbers
    needComma_ = true;
    return *this;
}

namespace {

constexpr uint32_t kDefaultNan = 0x7FC00000;

uint32_t FloatBits(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

float BitsFloat(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::string ShortestText(float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

std::string FloatText(float v) {
    if (std::isnan(v)) {
        const uint32_t bits = FloatBits(v);
        if (bits == kDefaultNan) return "nan";
        char text[32];
        std::snprintf(text, sizeof text, "nan:0x%08x", bits);
        return text;
    }
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    if (v == 0 && std::signbit(v)) return "-0.0"; // "-0" would read back as the integer 0
    return ShortestText(v);
}

std::optional<float> FloatFromJson(const nlohmann::json& value) {
    if (value.is_string()) {
        const std::string& s = value.get_ref<const std::string&>();
        if (s == "nan") return BitsFloat(kDefaultNan);
        if (s == "inf") return HUGE_VALF;
        if (s == "-inf") return -HUGE_VALF;
        constexpr std::string_view kPrefix = "nan:0x";
        if (s.size() != kPrefix.size() + 8 || s.compare(0, kPrefix.size(), kPrefix) != 0)
            return std::nullopt;
        uint32_t bits = 0;
        const char* first = s.data() + kPrefix.size();
        const char* last = s.data() + s.size();
        const auto r = std::from_chars(first, last, bits, 16);
        if (r.ec != std::errc() || r.ptr != last) return std::nullopt;
        // Only NaNs: exponent all ones and a payload that is not zero.
        if ((bits & 0x7F800000u) != 0x7F800000u || (bits & 0x007FFFFFu) == 0) return std::nullopt;
        return BitsFloat(bits);
    }
    if (!value.is_number()) return std::nullopt;
    const double d = value.get<double>();
    // From 2^128 - 2^103 on, a double rounds to infinity as a float.
    constexpr double kLimit = 0x1.ffffffp127;
    if (!(std::fabs(d) < kLimit)) return std::nullopt;
    const float f = static_cast<float>(d);
    if (!value.is_number_float()) return f;
    // A number FloatText printed is its float's shortest text. Read as a double and then rounded
    // to a float it can, in rare cases, land on a neighbour of that float; the float whose
    // shortest text reads as the same double is the one that was printed.
    for (const float c : {f, std::nextafter(f, -HUGE_VALF), std::nextafter(f, HUGE_VALF)}) {
        if (!std::isfinite(c)) continue;
        const std::string text = ShortestText(c);
        double back = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
        if (r.ec == std::errc() && back == d) return c;
    }
    return f;
}

} // namespace cli
