#include "model/PoFile.h"

#include <cstdio>
#include <set>
#include <utility>

namespace po {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One quoted string with C escapes, and nothing after it but blanks. An error text, or nothing.
std::optional<std::string> Unquote(std::string_view s, std::string& out) {
    s = Trim(s);
    if (s.empty() || s.front() != '"') return "a string must start with '\"'";
    size_t i = 1;
    for (;;) {
        if (i >= s.size()) return "the string has no closing '\"'";
        const char c = s[i++];
        if (c == '"') break;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i >= s.size()) return "the string has no closing '\"'";
        const char e = s[i++];
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'v':
            out += '\v';
            break;
        case '\\':
        case '"':
        case '\'':
        case '?':
            out += e;
            break;
        case 'x': {
            int value = 0, digits = 0;
            while (i < s.size() && HexValue(s[i]) >= 0) {
                value = (value * 16 + HexValue(s[i++])) & 0xFF;
                ++digits;
            }
            if (digits == 0) return "\\x needs hexadecimal digits";
            out += char(value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int k = 0; k < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k)
                    value = value * 8 + (s[i++] - '0');
                out += char(value & 0xFF);
                break;
            }
            return std::string("unknown escape sequence \\") + e;
        }
    }
    if (!Trim(s.substr(i)).empty()) return "unexpected text after the closing '\"'";
    return std::nullopt;
}

// Reads the text line by line into entries.
class Parser {
public:
    explicit Parser(Catalog& out) : m_out(out) {}

    std::optional<ParseError> Run(std::string_view text) {
        if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
        int number = 0;
        while (!text.empty() || number == 0) {
            const size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            ++number;
            if (auto e = Line(Trim(line), number)) return ParseError{number, *e};
            if (text.empty()) break;
        }
        if (auto e = Finish()) return ParseError{number, *e};
        return std::nullopt;
    }

private:
    enum class Field { None, Context, Id, Str };

    bool Started() const { return m_field != Field::None; }

    std::optional<std::string> Line(std::string_view line, int number) {
        if (line.empty()) return std::nullopt;
        if (StartsWith(line, "#~")) {
            // An obsolete entry, with the comments written before it.
            if (m_haveStr) {
                if (auto e = Finish()) return e;
            } else if (Started()) {
                return Unfinished();
            }
            m_message = Message{};
            m_commented = false;
            return std::nullopt;
        }
        if (line.front() == '#') {
            if (m_haveStr) {
                if (auto e = Finish()) return e;
            } else if (Started()) {
                return Unfinished();
            }
            Begin(number);
            Comment(line);
            return std::nullopt;
        }
        if (line.front() == '"') {
            if (!Started()) return std::string("a string without a keyword before it");
            std::string piece;
            if (auto e = Unquote(line, piece)) return e;
            Current() += piece;
            return std::nullopt;
        }
        const size_t word = line.find_first_of(" \t\"");
        const std::string_view keyword = line.substr(0, word);
        const std::string_view rest = word == std::string_view::npos ? "" : line.substr(word);
        if (keyword == "msgid_plural" || StartsWith(keyword, "msgstr["))
            return std::string("plural forms are not supported");
        if (keyword == "msgctxt" || keyword == "msgid") {
            if (m_haveStr) {
                if (auto e = Finish()) return e;
            }
            if (keyword == "msgctxt" && Started()) return Unfinished();
            if (keyword == "msgid" && m_haveId) return Unfinished();
            Begin(number);
            m_field = keyword == "msgctxt" ? Field::Context : Field::Id;
            if (m_field == Field::Context) m_message.context.emplace();
            m_haveId = m_haveId || m_field == Field::Id;
        } else if (keyword == "msgstr") {
            if (!m_haveId) return std::string("msgstr without a msgid before it");
            if (m_haveStr) return std::string("a second msgstr in one entry");
            m_field = Field::Str;
            m_haveStr = true;
        } else {
            return "unknown keyword \"" + std::string(keyword) + "\"";
        }
        std::string piece;
        if (auto e = Unquote(rest, piece)) return std::string(keyword) + ": " + *e;
        Current() += piece;
        return std::nullopt;
    }

    // What the entry begun lacks when another line cannot belong to it.
    std::string Unfinished() const {
        return m_haveId ? "msgid without msgstr" : "msgctxt without msgid";
    }

    void Begin(int number) {
        if (!m_commented && !Started()) m_message.line = number;
        m_commented = true;
    }

    std::string& Current() {
        if (m_field == Field::Context) return *m_message.context;
        if (m_field == Field::Id) return m_message.id;
        return m_message.str;
    }

    void Comment(std::string_view line) {
        auto text = [&](size_t skip) {
            std::string_view t = line.substr(skip);
            if (!t.empty() && t.front() == ' ') t.remove_prefix(1);
            return std::string(t);
        };
        if (StartsWith(line, "#.")) {
            m_message.extractedComments.push_back(text(2));
        } else if (StartsWith(line, "#:")) {
            m_message.references.push_back(text(2));
        } else if (StartsWith(line, "#,")) {
            std::string_view flags = line.substr(2);
            while (!flags.empty()) {
                const size_t comma = flags.find(',');
                const std::string_view flag = Trim(flags.substr(0, comma));
                if (!flag.empty()) m_message.flags.emplace_back(flag);
                if (comma == std::string_view::npos) break;
                flags.remove_prefix(comma + 1);
            }
        } else if (StartsWith(line, "#|")) {
            // The previous msgid of a fuzzy entry: only a hint for the translator.
        } else {
            m_message.translatorComments.push_back(text(1));
        }
    }

    std::optional<std::string> Finish() {
        if (Started() && !m_haveStr) return std::string("msgid without msgstr");
        if (m_haveStr) {
            Message done = std::move(m_message);
            if (!done.context && done.id.empty()) {
                if (m_out.header) return std::string("a second header entry (msgid \"\")");
                m_out.header = std::move(done);
            } else {
                auto key = std::make_pair(done.context, done.id);
                if (!m_seen.insert(key).second)
                    return "message at line " + std::to_string(done.line) +
                           " repeats the context and msgid of an earlier one";
                m_out.messages.push_back(std::move(done));
            }
        }
        m_message = Message{};
        m_field = Field::None;
        m_haveId = m_haveStr = m_commented = false;
        return std::nullopt;
    }

    Catalog& m_out;
    Message m_message;
    Field m_field = Field::None;
    bool m_haveId = false;
    bool m_haveStr = false;
    bool m_commented = false;
    std::set<std::pair<std::optional<std::string>, std::string>> m_seen;
};

void WriteComments(std::string& out, const char* mark, const std::vector<std::string>& lines) {
    for (const std::string& text : lines) {
        size_t from = 0;
        for (;;) {
            const size_t nl = text.find('\n', from);
            const std::string line = text.substr(from, nl - from);
            out += mark;
            if (!line.empty()) out += ' ' + line;
            out += '\n';
            if (nl == std::string::npos) break;
            from = nl + 1;
        }
    }
}

void WriteString(std::string& out, const char* keyword, const std::string& text) {
    out += keyword;
    out += ' ';
    const size_t nl = text.find('\n');
    if (nl == std::string::npos || nl + 1 == text.size()) {
        out += Quote(text) + '\n';
        return;
    }
    // Several lines: an empty first string, then one string per line, as gettext writes them.
    out += "\"\"\n";
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        end = end == std::string::npos ? text.size() : end + 1;
        out += Quote(std::string_view(text).substr(from, end - from)) + '\n';
        from = end;
    }
}

void WriteMessage(std::string& out, const Message& m) {
    WriteComments(out, "#", m.translatorComments);
    WriteComments(out, "#.", m.extractedComments);
    WriteComments(out, "#:", m.references);
    if (!m.flags.empty()) {
        out += "#,";
        for (size_t i = 0; i < m.flags.size(); ++i)
            out += (i ? ", " : " ") + m.flags[i];
        out += '\n';
    }
    if (m.context) WriteString(out, "msgctxt", *m.context);
    WriteString(out, "msgid", m.id);
    WriteString(out, "msgstr", m.str);
}

} // namespace

bool Message::HasFlag(std::string_view flag) const {
    for (const std::string& f : flags)
        if (f == flag) return true;
    return false;
}

std::optional<std::string> Catalog::HeaderField(std::string_view name) const {
    if (!header) return std::nullopt;
    std::string_view rest = header->str;
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        const std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, colon));
        if (key.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < key.size() && same; ++i) {
            auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
            same = lower(key[i]) == lower(name[i]);
        }
        if (same) return std::string(Trim(line.substr(colon + 1)));
    }
    return std::nullopt;
}

std::optional<std::string> Catalog::Charset() const {
    const std::optional<std::string> type = HeaderField("Content-Type");
    if (!type) return std::nullopt;
    const size_t at = type->find("charset=");
    if (at == std::string::npos) return std::nullopt;
    std::string_view cs = std::string_view(*type).substr(at + 8);
    cs = cs.substr(0, cs.find_first_of("; \t"));
    return std::string(cs);
}

std::optional<ParseError> Parse(std::string_view text, Catalog& out) {
    out = Catalog{};
    Parser parser(out);
    return parser.Run(text);
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (uint8_t(c) < 0x20 || c == 0x7F) {
                char octal[8];
                std::snprintf(octal, sizeof octal, "\\%03o", unsigned(uint8_t(c)));
                out += octal;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string Write(const Catalog& catalog) {
    std::string out;
    if (catalog.header) {
        WriteMessage(out, *catalog.header);
        if (!catalog.messages.empty()) out += '\n';
    }
    for (size_t i = 0; i < catalog.messages.size(); ++i) {
        if (i) out += '\n';
        WriteMessage(out, catalog.messages[i]);
    }
    return out;
}

} // namespace po
