// The command line's languages: ttab and strings keep their 8-bit JSON and gain --text, apply
// --text stores Unicode names in each language's code page, and the translators' round trip
// through PO catalogues (po export, po import), held to GNU gettext's msgfmt, msgcat and msginit.
// Run through the built binary on the demo it writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "ScratchDir.h"
#include "cli/CliUnderTest.h"
#include "model/LanguageSamples.h"
#include "model/ModelFiles.h"

using nlohmann::json;

namespace {

// A string of the 8-bit JSON (each byte one code point up to U+00FF) as its bytes.
std::string Bytes8(const json& value) {
    const std::string utf8 = value.get<std::string>();
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = uint8_t(utf8[i]);
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(((c & 0x1F) << 6) | (uint8_t(utf8[i + 1]) & 0x3F));
            ++i;
        }
    }
    return out;
}

std::vector<std::string> Texts(const json& set) {
    std::vector<std::string> texts;
    for (const json& item : set)
        texts.push_back(item["text"].is_null() ? "" : item["text"].get<std::string>());
    return texts;
}

class LanguageCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Run("demo '" + dir / "demo" + "'"), 0) << err;
        sample = dir / "demo" + "/sample.iff";
    }

    int Run(const std::string& args) {
        return Shell(std::string("'") + CliUnderTest() + "' " + args);
    }
    // Any command; stdout and stderr are kept in out and err.
    int Shell(const std::string& command) {
        const std::string o = dir / "out.txt", e = dir / "err.txt";
        const int raw = std::system((command + " >'" + o + "' 2>'" + e + "'").c_str());
        out = ReadWholeFile(o);
        err = ReadWholeFile(e);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string WriteFile(const std::string& name, const std::string& text) {
        const std::string path = dir / name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }
    // The sofa's names in a language: as 8-bit bytes, or as text.
    std::vector<std::string> Names(int language, bool text) {
        EXPECT_EQ(Run("ttab '" + sample + "' --language " + std::to_string(language) + " --json" +
                      (text ? " --text" : "")),
                  0)
            << err;
        std::vector<std::string> names;
        const json doc = json::parse(out, nullptr, false);
        if (doc.is_discarded() || !doc.contains("entries")) {
            ADD_FAILURE() << "ttab printed no table: " << out << err;
            return std::vector<std::string>(16);
        }
        for (const json& e : doc["entries"])
            names.push_back(text ? e["name"].get<std::string>() : Bytes8(e["name"]));
        return names;
    }
    // Every language's own names of the sofa, as the 8-bit JSON of strings prints them.
    json AllNames() {
        EXPECT_EQ(Run("strings '" + sample + "' --type TTAs --id 128 --all-languages --json"), 0);
        return json::parse(out)["languages"];
    }
    std::string EditsWithName(int index, const std::string& name) {
        return WriteFile("edits.json",
                         json{{"entries", {{{"index", index}, {"name", name}}}}}.dump());
    }

    ScratchDir dir;
    std::string sample;
    std::string out, err;
};

// ---------------------------------------------------------------- ttab, strings, apply

TEST_F(LanguageCli, TheOneFileJsonFormsPrintWhatTheyPrintedBefore) {
    // Names stored as bytes through the 8-bit JSON, as before: the output is the same to the
    // byte as before --text existed.
    const std::string edits = WriteFile(
        "e.json", R"({"entries":[{"index":0,"name":"\u00d1\u00e5\u00f1\u00f2\u00fc \u0098"},)"
                  R"({"index":2,"name":"x\u0081\"\\"}]})");
    ASSERT_EQ(Run("apply '" + sample + "' '" + edits + "' --object 131 --language 13"), 0) << err;
    ASSERT_EQ(Run("strings '" + sample + "' --type TTAs --id 129 --language 13 --json"), 0);
    EXPECT_EQ(
        out,
        R"json({"type":"TTAs","id":129,"label":"","languages":{"13":[{"text":"\u00d1\u00e5\u00f1\u00f2\u00fc \u0098","comment":""},{"text":"Turn Off","comment":""},{"text":"x\u0081\"\\","comment":""}]}})json"
        "\n");
    ASSERT_EQ(Run("strings '" + sample + "' --type TTAs --id 129 --language 3 --json"), 0);
    EXPECT_EQ(
        out,
        R"json({"type":"TTAs","id":129,"label":"","languages":{"3":[{"text":"Allumer","comment":""},{"text":"\u00c9teindre","comment":""},{"text":"","comment":""}]}})json"
        "\n");
    ASSERT_EQ(Run("ttab '" + sample + "' --object 131 --language 13 --json"), 0);
    const std::string zeros = R"({"min":0,"delta":0,"personality":0})";
    auto motives = [&](int at, const std::string& special) {
        std::string s;
        for (int i = 0; i < 16; ++i)
            s += (i ? "," : "") + (i == at ? special : zeros);
        return s;
    };
    EXPECT_EQ(
        out,
        R"json({"id":129,"label":"Lamp interactions","entries":[{"name":"\u00d1\u00e5\u00f1\u00f2\u00fc \u0098","action":4300,"guard":5300,"flags":265,"string_index":0,"attenuation_level":1,"attenuation_value":0,"effective_attenuation":0,"autonomy":80,"extra":-1,"motive_count":16,"motives":[)json" +
            motives(14, R"({"min":0,"delta":10,"personality":0})") +
            R"json(]},{"name":"Turn Off","action":4300,"guard":5300,"flags":8,"string_index":1,"attenuation_level":1,"attenuation_value":0,"effective_attenuation":0,"autonomy":20,"extra":-1,"motive_count":16,"motives":[)json" +
            motives(-1, "") +
            R"json(]},{"name":"x\u0081\"\\","action":4300,"guard":5300,"flags":80,"string_index":2,"attenuation_level":3,"attenuation_value":0,"effective_attenuation":0.02,"autonomy":0,"extra":-1,"motive_count":16,"motives":[)json" +
            motives(5, R"({"min":5,"delta":5,"personality":0})") + "]}]}\n");
}

TEST_F(LanguageCli, TextDecodesEachLanguageThroughItsCodePage) {
    ASSERT_EQ(Run("apply '" + sample + "' '" + EditsWithName(1, "\u00d1\u00e5\u00f1\u00f2\u00fc") +
                  "' --language 13"),
              0)
        << err;
    // Plain JSON: the bytes; --text: the characters.
    EXPECT_EQ(Names(13, false)[1], "\xd1\xe5\xf1\xf2\xfc");
    EXPECT_EQ(Names(13, true)[1], "Сесть");
    EXPECT_EQ(Names(3, true)[8], "Regarder les étoiles");
    ASSERT_EQ(Run("ttab '" + sample + "' --language 3 --json --text"), 0);
    EXPECT_NE(out.find("\"Regarder les étoiles\""), std::string::npos); // UTF-8 as it is
    EXPECT_NE(out.find("\"label\":\"Sofa interactions\""), std::string::npos);

    ASSERT_EQ(Run("strings '" + sample + "' --type TTAs --id 128 --all-languages --json --text"),
              0);
    const json doc = json::parse(out);
    EXPECT_EQ(doc["languages"]["13"][1]["text"], "Сесть");
    EXPECT_EQ(doc["languages"]["3"][9]["text"], "Réparer les ressorts");
    EXPECT_EQ(doc["languages"]["4"][4]["text"], "Kissen aufschütteln");
    EXPECT_TRUE(doc["languages"]["7"][1]["comment"].is_null());

    // What people read: decoded too.
    ASSERT_EQ(Run("ttab '" + sample + "' --language 3"), 0);
    EXPECT_NE(out.find("\"Regarder les étoiles\""), std::string::npos);
    ASSERT_EQ(Run("strings '" + sample + "' --type TTAs --id 128 --language 13"), 0);
    EXPECT_NE(out.find("[13] 2: Сесть"), std::string::npos) << out;

    // Bytes that are no character in the code page show as U+FFFD.
    ASSERT_EQ(Run("apply '" + sample + "' '" + EditsWithName(1, "a\u0098b") + "' --language 13"),
              0);
    // (Windows' table of code page 1251 has a control character for that byte.)
    EXPECT_EQ(Names(13, true)[1], CliIsWindowsBuild() ? "a\xc2\x98"
                                                        "b"
                                                      : "a\xef\xbf\xbd"
                                                        "b");
}

TEST_F(LanguageCli, ApplyTextStoresEachLanguageInItsCodePage) {
    for (const auto& s : langtest::Samples()) {
        SCOPED_TRACE(s.language);
        const json before = AllNames();
        const std::string lang = std::to_string(s.language);
        ASSERT_EQ(Run("apply '" + sample + "' '" + EditsWithName(3, s.text) + "' --language " +
                      lang + " --text"),
                  0)
            << err;
        EXPECT_EQ(Names(s.language, false)[3], s.bytes);
        EXPECT_EQ(Names(s.language, true)[3], s.text);
        // No other language's names changed. (A language without names of its own shows
        // US English copies, which follow US English.)
        const json after = AllNames();
        for (const auto& [code, set] : after.items()) {
            if (code == lang) continue;
            if (lang == "1" && code != "3" && code != "4")
                EXPECT_EQ(Texts(set), Texts(after["1"])) << code;
            else
                EXPECT_EQ(set, before[code]) << code;
        }
    }
}

TEST_F(LanguageCli, ApplyTextRefusesACharacterTheCodePageCannotHold) {
    for (const auto& s : langtest::Samples()) {
        SCOPED_TRACE(s.language);
        const std::string file = ReadWholeFile(sample);
        const std::string edits = WriteFile(
            "edits.json", json{{"entries",
                                {{{"index", 0}, {"name", "ok"}},
                                 {{"index", 7}, {"name", std::string(s.text) + s.refused}}}}}
                              .dump());
        EXPECT_EQ(Run("apply '" + sample + "' '" + edits + "' --language " +
                      std::to_string(s.language) + " --text"),
                  2);
        EXPECT_NE(err.find("index 7"), std::string::npos) << err;
        EXPECT_NE(err.find("cannot be written in code page"), std::string::npos) << err;
        EXPECT_EQ(ReadWholeFile(sample), file);
    }
}

TEST_F(LanguageCli, ApplyTextKeepsTheBytesOfANameGivenAsItShows) {
    // A name made elsewhere with a byte that is no character in code page 1251.
    ASSERT_EQ(Run("apply '" + sample + "' '" + EditsWithName(2, "x\u0098y") + "' --language 13"),
              0);
    const std::vector<std::string> shown = Names(13, true);
    ASSERT_EQ(shown[2], CliIsWindowsBuild() ? "x\xc2\x98y" : "x\xef\xbf\xbdy");
    // ttab --text into apply --text: the names go back as they are.
    json edits = {{"entries", json::array()}};
    for (size_t i = 0; i < shown.size(); ++i)
        edits["entries"].push_back({{"index", i}, {"name", shown[i]}});
    edits["entries"][0]["name"] = "Сидеть";
    const std::string path = WriteFile("edits.json", edits.dump());
    ASSERT_EQ(Run("apply '" + sample + "' '" + path + "' --language 13 --text"), 0) << err;
    const std::vector<std::string> bytes = Names(13, false);
    EXPECT_EQ(bytes[2], "x\x98y");
    EXPECT_EQ(bytes[0], "\xd1\xe8\xe4\xe5\xf2\xfc");
}

// ---------------------------------------------------------------- po export, po import

class PoCli : public LanguageCli {
protected:
    void SetUp() override {
        LanguageCli::SetUp();
        for (const char* tool : {"msgfmt", "msgcat", "msginit", "awk"})
            ASSERT_EQ(std::system((std::string("command -v ") + tool + " >/dev/null").c_str()), 0)
                << tool << " is missing (scripts/deps installs gettext)";
    }

    // Fills msgstr of the messages whose msgid is a key, as a translator's script would.
    std::string Translate(const std::string& po,
                          const std::vector<std::pair<std::string, std::string>>& map,
                          const std::string& name) {
        std::string program = "BEGIN {";
        for (const auto& [id, str] : map)
            program += " t[\"msgid \\\"" + id + "\\\"\"] = \"" + str + "\";";
        program +=
            R"( } /^msgid / { id = $0 } /^msgstr / && (id in t) { print "msgstr \"" t[id] "\""; id = ""; next } { print })";
        const std::string script = WriteFile(name + ".awk", program);
        EXPECT_EQ(Shell("awk -f '" + script + "' '" + po + "'"), 0) << err;
        return WriteFile(name, out);
    }

    const std::vector<std::pair<std::string, std::string>> kRussian{
        {"Sit Down", "Сесть"}, {"Chat", "Поболтать"}, {"Read a Book", "Читать книгу"}};
};

TEST_F(PoCli, ExportWritesOneMessagePerEntryAndPassesMsgfmtCheck) {
    const std::string po = dir / "fr.po";
    ASSERT_EQ(Run("po export '" + sample + "' --language 3 -o '" + po + "'"), 0) << err;
    const std::string text = ReadWholeFile(po);
    EXPECT_NE(text.find("\"Language: fr\\n\""), std::string::npos);
    EXPECT_NE(text.find("\"Content-Type: text/plain; charset=UTF-8\\n\""), std::string::npos);
    EXPECT_NE(text.find("msgctxt \"entry 8, string 8\"\nmsgid \"Watch the Stars\"\n"
                        "msgstr \"Regarder les étoiles\"\n"),
              std::string::npos)
        << text;
    // Entry 5 is named after its routine in English; its TTAs comment is a translator comment.
    EXPECT_NE(text.find("# !\nmsgctxt \"entry 5, string 5\"\nmsgid \"Look Under Sofa\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(Shell("msgfmt --check -o /dev/null '" + po + "'"), 0) << err;
    EXPECT_EQ(err, "");
    // Standard output without -o; a language without names of its own has empty msgstrs.
    ASSERT_EQ(Run("po export '" + sample + "' --language 15"), 0) << err;
    EXPECT_NE(out.find("\"Language: ja\\n\""), std::string::npos);
    EXPECT_NE(out.find("msgid \"Sit Down\"\nmsgstr \"\"\n"), std::string::npos);
    EXPECT_EQ(out.find("msgstr \"S"), std::string::npos);
    const std::string ja = WriteFile("ja.po", out);
    EXPECT_EQ(Shell("msgfmt --check -o /dev/null '" + ja + "'"), 0) << err;
    // Every language passes.
    for (int n = 1; n <= 20; ++n) {
        ASSERT_EQ(
            Run("po export '" + sample + "' --language " + std::to_string(n) + " -o '" + po + "'"),
            0);
        EXPECT_EQ(Shell("msgfmt --check -o /dev/null '" + po + "'"), 0) << n << err;
    }
    EXPECT_EQ(Run("po export '" + sample + "'"), 2); // --language is required
}

TEST_F(PoCli, TranslatedByAScriptAndImportedIntoThatLanguageOnly) {
    const std::string po = dir / "ru.po";
    ASSERT_EQ(Run("po export '" + sample + "' --language 13 -o '" + po + "'"), 0) << err;
    const std::string done = Translate(po, kRussian, "ru-done.po");
    ASSERT_EQ(Shell("msgfmt --check -o /dev/null '" + done + "'"), 0) << err;
    const json before = AllNames();
    ASSERT_EQ(Run("po import '" + sample + "' '" + done + "'"), 0) << err;
    const std::vector<std::string> names = Names(13, true);
    EXPECT_EQ(names[0], "Сесть");
    EXPECT_EQ(names[3], "Поболтать");
    EXPECT_EQ(names[6], "Читать книгу");
    EXPECT_EQ(names[1], "Take a Nap"); // untranslated: the English name stands in
    EXPECT_EQ(Names(13, false)[0], "\xd1\xe5\xf1\xf2\xfc");
    const json after = AllNames();
    for (const auto& [code, set] : before.items())
        if (code != "13") {
            EXPECT_EQ(after[code], set) << code;
        }
    // Exported again, the translations are there.
    ASSERT_EQ(Run("po export '" + sample + "' --language 13"), 0);
    EXPECT_NE(out.find("msgid \"Chat\"\nmsgstr \"Поболтать\"\n"), std::string::npos);
}

TEST_F(PoCli, CataloguesRewrittenByMsgcatAndMadeByMsginitImport) {
    const std::string po = dir / "ru.po";
    ASSERT_EQ(Run("po export '" + sample + "' --language 13 -o '" + po + "'"), 0) << err;
    std::string translated = ReadWholeFile(Translate(po, kRussian, "t.po"));
    // A translator's tool that writes comments in another order, marks one message fuzzy and
    // keeps an obsolete one.
    const std::string mark = "# !\nmsgctxt \"entry 5, string 5\"";
    ASSERT_NE(translated.find(mark), std::string::npos);
    translated.replace(translated.find(mark), mark.size(),
                       "#, fuzzy\n#. a note\n# !\nmsgctxt \"entry 5, string 5\"");
    translated.replace(translated.find("msgid \"Look Under Sofa\"\nmsgstr \"\""),
                       std::string("msgid \"Look Under Sofa\"\nmsgstr \"\"").size(),
                       "msgid \"Look Under Sofa\"\nmsgstr \"Заглянуть под диван\"");
    translated += "\n#~ msgctxt \"entry 99, string 99\"\n#~ msgid \"Gone\"\n#~ msgstr \"Нет\"\n";
    const std::string odd = WriteFile("odd.po", translated);
    const std::string wrapped = dir / "wrapped.po";
    ASSERT_EQ(Shell("msgcat --width=20 --sort-output -o '" + wrapped + "' '" + odd + "'"), 0)
        << err;
    const std::string text = ReadWholeFile(wrapped);
    // Wrapped lines: a context and a name each over two strings.
    EXPECT_NE(text.find("msgctxt \"\"\n\"entry 0, string 0\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("msgid \"\"\n\"Plump the Cushions\"\n"), std::string::npos) << text;
    ASSERT_EQ(Run("po import '" + sample + "' '" + wrapped + "'"), 0) << err;
    std::vector<std::string> names = Names(13, true);
    EXPECT_EQ(names[0], "Сесть");
    EXPECT_EQ(names[6], "Читать книгу");
    EXPECT_EQ(names[5], "Look Under Sofa"); // fuzzy: not taken

    // A catalogue made by msginit from a template.
    ASSERT_EQ(Run("po export '" + sample + "' --language 16 -o '" + dir / "t.pot" + "'"), 0);
    const std::string made = dir / "pl.po";
    ASSERT_EQ(Shell("msginit --no-translator --locale=pl_PL.UTF-8 -i '" + dir / "t.pot" + "' -o '" +
                    made + "'"),
              0)
        << err;
    const std::string pl =
        Translate(made, {{"Take a Nap", "Uciąć drzemkę"}, {"Chat", "Pogadać"}}, "pl-done.po");
    ASSERT_EQ(Run("po import '" + sample + "' '" + pl + "'"), 0) << err;
    names = Names(16, true);
    EXPECT_EQ(names[1], "Uciąć drzemkę");
    EXPECT_EQ(names[3], "Pogadać");
    EXPECT_EQ(Names(16, false)[1], "Uci\xb9\xe6 drzemk\xea");
}

TEST_F(PoCli, BadCataloguesAreRefusedAndTheFileIsUntouched) {
    const std::string po = dir / "ru.po";
    ASSERT_EQ(Run("po export '" + sample + "' --language 13 -o '" + po + "'"), 0) << err;
    const std::string good = ReadWholeFile(Translate(po, kRussian, "t.po"));
    const std::string file = ReadWholeFile(sample);
    auto refused = [&](std::string text, const std::string& args, const std::string& says) {
        const std::string path = WriteFile("bad.po", text);
        EXPECT_EQ(Run("po import '" + sample + "' '" + path + "'" + args), 2) << says;
        EXPECT_NE(err.find(says), std::string::npos) << err;
        EXPECT_EQ(ReadWholeFile(sample), file) << says;
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        const size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? t : t.replace(at, from.size(), to);
    };
    // A message without its context.
    refused(replaced("msgctxt \"entry 3, string 3\"\n", ""), "", "has no msgctxt");
    // A context that names no entry of the table.
    refused(replaced("entry 3, string 3", "entry 3, string 4"), "", "unknown msgctxt");
    refused(replaced("entry 3, string 3", "entry 30, string 30"), "", "unknown msgctxt");
    // Another language than the one asked for, and one that is none of the twenty.
    refused(good, " --language 3", "is for Russian (Language: ru), not for French");
    refused(replaced("Language: ru", "Language: xx"), "", "names none of the twenty");
    refused(replaced("\"Language: ru\\n\"\n", ""), "", "names no language");
    // Malformed entries.
    refused(replaced("msgid \"Chat\"", "msgid \"Chat"), "", "closing");
    refused(replaced("msgstr \"Поболтать\"", ""), "", "msgid without msgstr");
    refused(good + "\nmsgid \"x\"\nmsgid_plural \"xs\"\nmsgstr[0] \"\"\n", "",
            "plural forms are not supported");
    // A character code page 1251 cannot hold.
    refused(replaced("Поболтать", "Charlar ñ"), "", "U+00F1 'ñ'");
    // Another charset, and bytes that are not UTF-8.
    refused(replaced("charset=UTF-8", "charset=ISO-8859-1"), "", "only UTF-8 catalogues");
    refused(replaced("Поболтать", "\xcf\xee"), "", "not valid UTF-8");
    // The good one goes in; the language may be given when it agrees.
    EXPECT_EQ(Run("po import '" + sample + "' '" + WriteFile("good.po", good) + "' --language 13"),
              0)
        << err;
    EXPECT_EQ(Names(13, true)[3], "Поболтать");
}

TEST_F(PoCli, NothingToImportWritesNothing) {
    const std::string po = dir / "ru.po";
    ASSERT_EQ(Run("po export '" + sample + "' --language 13 -o '" + po + "'"), 0) << err;
    const std::string file = ReadWholeFile(sample);
    // Only empty msgstrs: Russian does not gain names of its own.
    ASSERT_EQ(Run("po import '" + sample + "' '" + po + "'"), 0) << err;
    EXPECT_NE(err.find("nothing to write"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(sample), file);
    // French exported and imported unchanged: its names stay as they are.
    ASSERT_EQ(Run("po export '" + sample + "' --language 3 -o '" + po + "'"), 0);
    ASSERT_EQ(Run("po import '" + sample + "' '" + po + "'"), 0) << err;
    EXPECT_EQ(ReadWholeFile(sample), file);
    // A catalogue without a Language header is taken for the language given.
    std::string text = ReadWholeFile(Translate(po, {{"Chat", "Causer"}}, "fr2.po"));
    text.erase(text.find("\"Language: fr\\n\"\n"), std::string("\"Language: fr\\n\"\n").size());
    const std::string bare = WriteFile("bare.po", text);
    ASSERT_EQ(Run("po import '" + sample + "' '" + bare + "' --language 3"), 0) << err;
    EXPECT_EQ(Names(3, true)[3], "Causer");
}

} // namespace
