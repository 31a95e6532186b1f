// The objects, ttab, strings and apply commands on files made here, run through the built binary.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include "ScratchDir.h"
#include "cli/CliUnderTest.h"
#include "model/ModelFiles.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"

using namespace modeltest;
using nlohmann::json;

namespace {

Bytes Objd(int16_t treeTable, int16_t masterId, int16_t subIndex) {
    Bytes b = ObjdBody(treeTable, masterId, subIndex);
    b[6] = uint8_t(300 & 0xFF); // price 300
    b[7] = uint8_t(300 >> 8);
    b[8] = 2;
    return b;
}

class ModelCli : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir / "chair.iff";
        auto file = NewFile(path);
        ASSERT_TRUE(file);
        ASSERT_EQ(Put(*file, kOBJD, 128, Objd(128, 0, 0), "Chair"), 0);
        ASSERT_EQ(Put(*file, kOBJD, 129, Objd(130, 5, -1), "Sofa"), 0);
        ASSERT_EQ(Put(*file, kOBJD, 131, Objd(-1, 5, 0x0100), "Sofa right"), 0);
        CTreeTable table(16);
        for (int i = 0; i < 2; ++i) {
            CTreeTableEntry& e = table.AddEntry();
            e.actionId = int16_t(4096 + i);
            e.stringIndex = i;
            e.name = i == 0 ? "Sit" : "Nap";
            e.attenuationLevel = 2;
            e.motives[5] = {1, -10, 30};
        }
        table.Entry(1)->flags = 0x80;
        ASSERT_EQ(table.SaveAs(file.get(), 128, "Chair menu"), 0);
        // A version 3 table, which a read must not upgrade.
        Writer v3;
        v3.W(1).W(3).W(77).W(0).W(1).W(0).F(0.5f).W(40);
        ASSERT_EQ(Put(*file, kTTAB, 130, v3.b, "old"), 0);
        ASSERT_EQ(
            Put(*file, kSTR, 232, MultiLanguage({{1, "calm", "c"}, {3, "calme\xE9", ""}}), "pers"),
            0);
        ASSERT_EQ(file->Close(), 0);
    }

    // Runs the binary; stdout and stderr are kept in out and err.
    int Run(const std::string& args) {
        const std::string o = dir / "out.txt", e = dir / "err.txt";
        const std::string command =
            std::string("'") + CliUnderTest() + "' " + args + " >'" + o + "' 2>'" + e + "'";
        const int raw = std::system(command.c_str());
        out = ReadWholeFile(o);
        err = ReadWholeFile(e);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string Edits(const std::string& text) {
        const std::string p = dir / "edits.json";
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }

    ScratchDir dir;
    std::string path;
    std::string out, err;
};

} // namespace

TEST_F(ModelCli, ObjectsListsDefinitionsInOrder) {
    const std::string before = ReadWholeFile(path);
    ASSERT_EQ(Run("objects '" + path + "' --json"), 0) << err;
    const json doc = json::parse(out);
    ASSERT_EQ(doc["objects"].size(), 3u);
    const json& sofa = doc["objects"][1];
    EXPECT_EQ(sofa["id"], 129);
    EXPECT_EQ(sofa["name"], "Sofa");
    EXPECT_EQ(sofa["version"], 138);
    EXPECT_EQ(sofa["master_index"], 1);
    EXPECT_EQ(sofa["master_id"], 5);
    EXPECT_EQ(sofa["sub_index"], -1);
    EXPECT_EQ(sofa["tree_table_id"], 130);
    EXPECT_EQ(sofa["base_graphic_id"], 300);
    EXPECT_EQ(sofa["graphic_count"], 2);
    EXPECT_EQ(sofa["parts"], json::array({131}));
    EXPECT_EQ(doc["objects"][2]["master_index"], -1);
    EXPECT_EQ(ReadWholeFile(path), before);
}

TEST_F(ModelCli, TtabDumpsEntriesAndNeverUpgrades) {
    const std::string before = ReadWholeFile(path);
    ASSERT_EQ(Run("ttab '" + path + "' --json"), 0) << err;
    json doc = json::parse(out);
    EXPECT_EQ(doc["id"], 128);
    EXPECT_EQ(doc["label"], "Chair menu");
    ASSERT_EQ(doc["entries"].size(), 2u);
    const json& nap = doc["entries"][1];
    EXPECT_EQ(nap["name"], "Nap");
    EXPECT_EQ(nap["action"], 4097);
    EXPECT_EQ(nap["flags"], 128);
    EXPECT_EQ(nap["attenuation_level"], 2);
    EXPECT_EQ(nap["effective_attenuation"].get<float>(), 0.002f);
    EXPECT_EQ(nap["autonomy"], 50);
    EXPECT_EQ(nap["extra"], -1);
    EXPECT_EQ(nap["motive_count"], 16);
    ASSERT_EQ(nap["motives"].size(), 16u);
    EXPECT_EQ(nap["motives"][5], json({{"min", -10}, {"delta", 30}, {"personality", 1}}));

    ASSERT_EQ(Run("ttab '" + path + "' --object 129 --language 3 --json"), 0) << err;
    doc = json::parse(out);
    EXPECT_EQ(doc["id"], 130);
    ASSERT_EQ(doc["entries"].size(), 1u);
    EXPECT_EQ(doc["entries"][0]["name"], "");
    EXPECT_EQ(doc["entries"][0]["attenuation_value"].get<float>(), 0.5f);
    EXPECT_EQ(ReadWholeFile(path), before);

    EXPECT_EQ(Run("ttab '" + path + "' --object 131"), 1);
    EXPECT_EQ(Run("ttab '" + path + "' --language 21"), 2);
}

TEST_F(ModelCli, StringsShowsLanguagesAndNulls) {
    ASSERT_EQ(Run("strings '" + path + "' --type 'STR#' --id 232 --language 3 --json"), 0) << err;
    json doc = json::parse(out);
    EXPECT_EQ(doc["type"], "STR#");
    EXPECT_EQ(doc["label"], "pers");
    ASSERT_EQ(doc["languages"].size(), 1u);
    EXPECT_EQ(doc["languages"]["3"][0]["text"], "calme\xC3\xA9"); // 0xE9 as \u00E9
    EXPECT_TRUE(out.find("\\u00e9") != std::string::npos ||
                out.find("\\u00E9") != std::string::npos);

    ASSERT_EQ(Run("strings '" + path + "' --type TTAs --id 128 --all-languages --json"), 0) << err;
    doc = json::parse(out);
    EXPECT_EQ(doc["languages"].size(), 20u);
    EXPECT_EQ(doc["languages"]["1"][1]["comment"], "!");
    EXPECT_TRUE(doc["languages"]["7"][1]["comment"].is_null());

    EXPECT_EQ(Run("strings '" + path + "' --type 'STR#' --id 999 --json"), 1);
    EXPECT_EQ(Run("strings '" + path + "' --type STRXX --id 1"), 2);
}

TEST_F(ModelCli, ApplyStoresLikeTheEditor) {
    const std::string edits = Edits(R"({"entries":[
        {"index":0,"name":"Sit down\u00e9","attenuation_value":0.25,"autonomy":65536,
         "motives":{"5":{"min":5,"max":40,"personality":2}}},
        {"index":1,"flags":1,"attenuation_level":4}]})");
    ASSERT_EQ(Run("apply '" + path + "' '" + edits + "'"), 0) << err;
    auto file = OpenFile(path, true);
    ASSERT_TRUE(file);
    CTreeTable t(16);
    ASSERT_EQ(t.Load(file.get(), 128), 0);
    const CTreeTableEntry& a = *t.Entry(0);
    EXPECT_STREQ(a.name.Text(), "Sit down\xE9");
    EXPECT_EQ(a.attenuationLevel, 0u);
    EXPECT_EQ(a.attenuationValue, 0.25f);
    EXPECT_EQ(a.autonomyThreshold, 0u); // 65536 cut to 16 bits
    EXPECT_EQ(a.motives[5].min, 5);
    EXPECT_EQ(a.motives[5].delta, 35);
    EXPECT_EQ(a.motives[5].personality, 2);
    EXPECT_EQ(t.Entry(1)->flags, 1u);
    EXPECT_EQ(t.Entry(1)->attenuationLevel, 4u);
    EXPECT_EQ(t.Label(), CTGString("Chair menu"));
    CStringTable names;
    names.Configure(file.get(), kTTAs, 128, false, 0);
    ASSERT_EQ(names.Load(false, false), 0);
    EXPECT_STREQ(names.GetComment(2), " "); // the lone "!" mark went with flag 0x80
}

TEST_F(ModelCli, ApplyRefusesBadDocumentsWithoutTouchingTheFile) {
    const std::string before = ReadWholeFile(path);
    const char* bad[] = {
        R"({"entries":[{"index":0,"colour":1}]})",
        R"({"entries":[{"index":2,"name":"x"}]})",
        R"({"entries":[{"index":-1}]})",
        R"({"entries":[{"name":"x"}]})",
        R"({"entries":[{"index":0,"motives":{"16":{"min":1}}}]})",
        R"({"entries":[{"index":0,"motives":{"3":{"low":1}}}]})",
        R"({"entries":[{"index":0,"name":"\u0100"}]})",
        R"({"entries":[{"index":0,"autonomy":"7"}]})",
        R"({"entries":[{"index":0,"attenuation_value":1e300}]})",
        R"({"entries":{}})",
        R"({"entries":[], "more":1})",
        R"({"entries":[)",
    };
    for (const char* text : bad) {
        EXPECT_EQ(Run("apply '" + path + "' '" + Edits(text) + "'"), 2) << text;
        EXPECT_EQ(ReadWholeFile(path), before) << text;
    }
    EXPECT_EQ(Run("apply '" + path + "' '" + dir / "missing.json" + "'"), 2);
    EXPECT_EQ(ReadWholeFile(path), before);
}

// The document is read as it streams in; which fault is named must not depend on where in the
// text it stands: a broken document first, then the top level, then the first bad entry.
TEST_F(ModelCli, ApplyNamesTheFaultOfAWholeDocument) {
    const std::string before = ReadWholeFile(path);
    const std::pair<const char*, const char*> cases[] = {
        {R"({"entries":[{"index":0,"colour":1}], "more":1, "also":2})",
         R"(unknown key "also" in the document)"},
        {R"({"entries":[{"index":9}],"entries":5})", R"(the document needs an "entries" array)"},
        {R"({"entries":[{"x":1}]} [)", "is not a JSON document"},
        {R"([{"index":0}])", "the document must be an object"},
        {R"({"entries":[{"index":0},{"index":0,"zz":1,"aa":2},{"index":99}]})",
         R"(unknown key "aa" in entry 1)"},
        {R"({"entries":[{"index":0,"motives":{"x":{},"2":{"min":"a"}}}]})",
         R"(entry 0: motive "2": min must be an integer)"},
        {R"({"entries":[{"index":0},7]})", "entry 1 must be an object"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(Run("apply '" + path + "' '" + Edits(text) + "'"), 2) << text;
        EXPECT_NE(err.find(message), std::string::npos) << text << "\n" << err;
        EXPECT_EQ(ReadWholeFile(path), before) << text;
    }
    // A key given twice counts with its last value; motives apply in the order of their numbers.
    ASSERT_EQ(Run("apply '" + path + "' '" +
                  Edits(R"({"entries":[{"index":9}],"entries":[{"index":1,"flags":3,"flags":5,
                           "motives":{"2":{"max":9},"02":{"min":4},"1":{"min":1}}}]})") +
                  "'"),
              0)
        << err;
    auto file = OpenFile(path, true);
    CTreeTable t(16);
    ASSERT_EQ(t.Load(file.get(), 128), 0);
    EXPECT_EQ(t.Entry(1)->flags, 5u);
    EXPECT_EQ(t.Entry(1)->motives[1].min, 1);
    EXPECT_EQ(t.Entry(1)->motives[2].min, 4);
    EXPECT_EQ(t.Entry(1)->motives[2].delta, 5);
}

TEST_F(ModelCli, ApplyOnAnOlderTableUpgradesItAsTheEditorDoes) {
    ASSERT_EQ(Run("apply '" + path + "' '" + Edits(R"({"entries":[{"index":0,"name":"Lie"}]})") +
                  "' --object 129 --language 2"),
              0)
        << err;
    auto file = OpenFile(path, true);
    CTreeTable t(16);
    SetCurrentLanguage(2);
    ASSERT_EQ(t.Load(file.get(), 130), 0);
    SetCurrentLanguage(1);
    EXPECT_EQ(t.StoredVersion(), 9);
    EXPECT_STREQ(t.Entry(0)->name.Text(), "Lie");
    EXPECT_EQ(t.Entry(0)->motives[0].delta, 40);
    EXPECT_EQ(t.Label(), CTGString("old"));
}
