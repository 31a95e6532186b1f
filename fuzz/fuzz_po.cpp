// Gettext catalogues and the text of names: any bytes read as a catalogue; whatever reads is
// written and must read back as the same messages; and each message's text, taken as the bytes of
// a name in one of the twenty languages, must show as text that stores back, if at all, as the
// same text (code page 932 may refuse: its duplicate rows can join a neighbouring invalid byte).
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/LanguageText.h"
#include "model/PoFile.h"

namespace {

bool Same(const po::Message& a, const po::Message& b) {
    return a.context == b.context && a.id == b.id && a.str == b.str && a.flags == b.flags &&
           a.translatorComments == b.translatorComments &&
           a.extractedComments == b.extractedComments && a.references == b.references;
}

void CheckNameText(const std::string& bytes, int32_t language) {
    const std::string shown = language_text::DecodeForEditing(bytes, language);
    const language_text::Encoded back = language_text::Encode(shown, language, true);
    if (back.ok && language_text::DecodeForEditing(back.bytes, language) != shown) std::abort();
    // The same bytes taken as typed text: stored or refused, never a crash.
    language_text::Encode(bytes, language, true, 63);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int32_t language = size ? 1 + data[0] % 20 : 1;
    po::Catalog catalog;
    if (!po::Parse(text, catalog)) {
        const std::string written = po::Write(catalog);
        po::Catalog back;
        if (po::Parse(written, back)) std::abort();
        if (back.messages.size() != catalog.messages.size() ||
            back.header.has_value() != catalog.header.has_value())
            std::abort();
        if (catalog.header && !Same(*catalog.header, *back.header)) std::abort();
        for (size_t i = 0; i < catalog.messages.size(); ++i)
            if (!Same(catalog.messages[i], back.messages[i])) std::abort();
        for (const po::Message& m : catalog.messages)
            CheckNameText(m.str.substr(0, 256), language);
    }
    CheckNameText(std::string(text.substr(0, 64)), language);
    return 0;
}
