// tavimet-cli strings PATH --type T --id N [--language N] [--all-languages] [--json] [--text]: a
// string table loaded as the model loads it (fill from English on), read-only. Texts and comments
// print decoded through their language's code page, in JSON too with --text.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "model/LanguageText.h"
#include "model/StatusText.h"

namespace cli {

void RegisterStrings(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("strings", "Show a string table (STR#, TTAs or caret)");
    struct StringsOptions {
        std::string path;
        std::string typeText;
        int32_t id = 0;
        int32_t language = 1;
        bool allLanguages = false;
        bool json = false;
        bool unicode = false;
    };
    auto o = std::make_shared<StringsOptions>();
    cmd->add_option("PATH", o->path, "resource file")->required();
    cmd->add_option("--type", o->typeText, "chunk type: four characters or 0x and eight hex digits")
        ->required();
    cmd->add_option("--id", o->id, "chunk id")->required()->check(CLI::Range(-32768, 32767));
    cmd->add_option("--language", o->language, "language 1..20 (default 1)")
        ->check(CLI::Range(1, kLanguageCount));
    cmd->add_flag("--all-languages", o->allLanguages, "load every language");
    cmd->add_flag("--json", o->json, "print JSON");
    cmd->add_flag("--text", o->unicode,
                  "texts and comments as Unicode text, decoded from their language's code page "
                  "(with --json)");
    cmd->callback([&status, o] {
        const std::string& path = o->path;
        const std::string& typeText = o->typeText;
        const int32_t id = o->id;
        const int32_t language = o->language;
        const bool allLanguages = o->allLanguages;
        const bool json = o->json;
        const bool unicode = o->unicode;
        uint32_t type = 0;
        if (!ParseTypeCode(typeText, type)) {
            std::fprintf(stderr, "tavimet-cli: --type takes four characters or 0x and eight hex "
                                 "digits\n");
            status = kExitUsage;
            return;
        }
        SetCurrentLanguage(language);
        std::unique_ptr<CResourceFile> file;
        if (int32_t e = OpenAnyFileReadOnly(path, file)) {
            PrintOpenFailure(path, e, std::nullopt, true);
            status = kExitFailed;
            return;
        }
        CStringTable table;
        table.Configure(file.get(), type, int16_t(id), type == CStringTable::kTypeCaret,
                        CStringTable::kDefaultLanguage);
        ClearPlatformFailure();
        // Languages without strings of their own show the English ones, read from English
        // itself rather than from twenty copies.
        const int32_t loaded =
            allLanguages ? table.LoadAllLanguagesUncopied(true) : table.Load(false, true);
        auto source = [&](int32_t slot) {
            return allLanguages && slot != 0 && table.Count(slot) == 0 ? 0 : slot;
        };
        // The English copies carry no comments.
        auto comment = [&](int32_t p, int32_t slot) {
            return source(slot) == slot ? table.GetComment(p, slot) : nullptr;
        };
        if (int32_t e = loaded) {
            std::fprintf(stderr, "tavimet-cli: cannot load string table %s %d: %s\n",
                         TypeCodeString(type).c_str(), id, StatusText(e).c_str());
            status = kExitFailed;
            return;
        }
        if (!json) {
            std::printf("%s %d \"%s\"\n", TypeCodeString(type).c_str(), id, table.Label());
            for (int32_t slot = 0; slot < kLanguageCount; ++slot)
                for (int32_t p = 1; p <= table.Count(source(slot)); ++p) {
                    const char* text = table.GetText(p, source(slot));
                    const char* note = comment(p, slot);
                    std::printf("[%d] %d: %s%s%s\n", slot + 1, p,
                                language_text::Decode(text ? text : "", slot + 1).c_str(),
                                note && *note ? "  // " : "",
                                language_text::Decode(note ? note : "", slot + 1).c_str());
                }
            return;
        }
        JsonWriter w(stdout);
        w.BeginObject();
        w.Key("type").String(TypeCodeString(type));
        w.Key("id").Int(id);
        w.Key("label").String(table.Label());
        w.Key("languages").BeginObject();
        for (int32_t slot = 0; slot < kLanguageCount; ++slot) {
            const int32_t from = source(slot);
            if (table.Count(from) == 0) continue;
            w.Key(std::to_string(slot + 1)).BeginArray();
            for (int32_t p = 1; p <= table.Count(from); ++p) {
                w.BeginObject();
                const char* text = table.GetText(p, from);
                const char* note = comment(p, slot);
                // Each language's texts in its own code page.
                auto put = [&](const char* s) {
                    if (!s)
                        w.Null();
                    else if (unicode)
                        w.Unicode(language_text::Decode(s, slot + 1));
                    else
                        w.String(s);
                };
                w.Key("text");
                put(text);
                w.Key("comment");
                put(note);
                w.EndObject();
            }
            w.EndArray();
        }
        w.EndObject().EndObject();
        w.Finish();
        std::printf("\n");
    });
}

} // namespace cli
