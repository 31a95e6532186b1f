// Gettext PO catalogues, read and written by the program itself: messages with a context, an id
// and a translation, translator and extracted comments, references, flags (fuzzy), the header
// entry and its fields; strings with C escapes over one or several quoted lines. Obsolete
// entries (#~) are skipped on reading. Plural forms are not part of this format here: a catalogue
// that uses them is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace po {

struct Message {
    std::vector<std::string> translatorComments; // "# ..."
    std::vector<std::string> extractedComments;  // "#. ..."
    std::vector<std::string> references;         // "#: ..."
    std::vector<std::string> flags;              // "#, fuzzy, c-format"
    std::optional<std::string> context;          // msgctxt
    std::string id;                              // msgid
    std::string str;                             // msgstr
    int line = 0; // where the entry starts in the text it was read from (1-based)

    bool HasFlag(std::string_view flag) const;
    bool Fuzzy() const { return HasFlag("fuzzy"); }
};

struct Catalog {
    // The header entry (id "" without a context); its str holds "Name: value\n" fields.
    std::optional<Message> header;
    std::vector<Message> messages; // in the order of the text

    // A header field's value, blanks around it removed; nullopt without the header or field.
    std::optional<std::string> HeaderField(std::string_view name) const;
    // The charset of the header's Content-Type ("UTF-8"); nullopt without one.
    std::optional<std::string> Charset() const;
};

struct ParseError {
    int line = 0;
    std::string message;
};

// Reads a catalogue. Stops at the first malformed line (an unknown keyword, a string without
// its closing quote, an unknown escape, a msgid without msgstr, ...), a message that repeats the
// context and id of an earlier one, or plural forms, and says where and why.
std::optional<ParseError> Parse(std::string_view text, Catalog& out);

// The catalogue as PO text: the header first, then each message with its comments, flags,
// context, id and translation; strings that hold line breaks are split after each one.
std::string Write(const Catalog& catalog);

// The quoted and escaped form of a string ("a\"b\n").
std::string Quote(std::string_view text);

} // namespace po
