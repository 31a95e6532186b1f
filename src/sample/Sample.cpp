#include "sample/Sample.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "common/BoundedString.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "resource/IffFileV2.h"
#include "resource/ResourceFile.h"
#include "sample/SampleGraphics.h"

namespace sample {

namespace {

constexpr uint32_t kTypeOBJD = 0x4F424A44; // OBJD
constexpr uint32_t kTypeBHAV = 0x42484156; // BHAV

constexpr int32_t kLanguageEnglish = 1;
constexpr int32_t kLanguageFrench = 3;
constexpr int32_t kLanguageGerman = 4;

void PutLE16(std::vector<uint8_t>& b, std::size_t at, int32_t v) {
    b[at] = static_cast<uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

// Adds one chunk with the given body and writes it; 0 or the file's error.
int32_t AddBody(CResourceFile& file, uint32_t type, int16_t id, const char* label,
                const std::vector<uint8_t>& body) {
    CChunk* chunk = CChunk::Create(static_cast<int32_t>(body.size()));
    if (!chunk) return kResErrNoMemory;
    for (std::size_t i = 0; i < body.size(); ++i)
        chunk->Body()[i] = body[i];
    CFixedString<64> l(label);
    int32_t st = file.AddChunk(chunk, type, id, l, true);
    if (st != 0) {
        CChunk::Free(chunk);
        return st;
    }
    return file.ReleaseChunk(chunk);
}

struct ObjectSpec {
    int16_t id;
    const char* label;
    int16_t baseGraphic;
    int16_t treeTable;
    int16_t masterId;
    int16_t subIndex;
    int16_t level;
};

std::vector<uint8_t> ObjdBody(const ObjectSpec& o) {
    std::vector<uint8_t> b(216, 0);
    PutLE16(b, 0, 138); // definition format version, low word
    PutLE16(b, 6, o.baseGraphic);
    PutLE16(b, 8, 1); // graphic count
    PutLE16(b, 14, o.treeTable);
    PutLE16(b, 20, o.masterId);
    PutLE16(b, 22, o.subIndex);
    PutLE16(b, 112, o.level);
    return b;
}

// A routine's body is never read by the editor; only its label names entries.
std::vector<uint8_t> BhavBody() {
    return {0x05, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
}

struct MotiveSpec {
    int32_t motive;
    int16_t min;
    int16_t delta;
    int16_t personality;
};

struct EntrySpec {
    const char* english; // empty: named after its routine's label
    const char* french;
    const char* german;
    int16_t action;
    uint32_t flags;
    uint32_t attenuationLevel;
    float attenuationValue;
    int16_t autonomy;
    int32_t motiveCount;
    std::vector<MotiveSpec> motives;
};

const std::vector<EntrySpec>& SofaEntries() {
    static const std::vector<EntrySpec> entries{
        {"Sit Down",
         "S'asseoir",
         "Hinsetzen",
         4096,
         0x001 | 0x008 | 0x100,
         3,
         0.0f,
         50,
         16,
         {{6, 10, 40, 0}, {5, 0, 5, 0}}},
        {"Take a Nap",
         "Faire la sieste",
         "Nickerchen",
         4097,
         0x008,
         2,
         0.0f,
         30,
         16,
         {{5, 20, 50, 1}, {7, -10, 5, 0}}},
        {"", "", "", 4098, 0x010 | 0x008, 4, 0.0f, 70, 16, {{13, 5, 20, 2}, {9, -20, 50, 2}}},
        {"Chat",
         "Bavarder",
         "Plaudern",
         4099,
         0x001 | 0x040,
         1,
         0.0f,
         -5,
         16,
         {{14, 15, 15, 3}, {8, 0, 12, 0}}},
        {"Plump the Cushions",
         "Tapoter les coussins",
         "Kissen aufschütteln",
         4100,
         0x100,
         0,
         0.035f,
         100,
         16,
         {{15, 5, -5, 0}, {3, 8, 8, 4}}},
        {"", "", "", 4101, 0x008 | 0x080, 3, 0.0f, 40, 16, {{6, 2, 3, 0}}},
        {"Read a Book",
         "Lire un livre",
         "Ein Buch lesen",
         4102,
         0x001 | 0x008 | 0x010,
         0,
         0.25f,
         25,
         8,
         {{5, 0, 30, 5}, {7, 10, 10, 0}}},
        {"", "", "", 4200, 0x040, 2, 0.0f, 10, 16, {{7, -30, 60, 6}}},
        {"Watch the Stars",
         "Regarder les étoiles",
         "Sterne beobachten",
         4103,
         0x100 | 0x008,
         3,
         0.0f,
         60,
         16,
         {{9, 12, 24, 1}, {14, -5, 25, 0}, {5, 3, 7, 0}}},
        {"Fix the Springs",
         "Réparer les ressorts",
         "Federn reparieren",
         4104,
         0x001,
         4,
         0.0f,
         15,
         16,
         {{13, 10, 35, 3}, {8, 4, -4, 0}}},
    };
    return entries;
}

std::string Latin1(const char* utf8) {
    // The sample's own texts are written here in UTF-8; files hold 8-bit text.
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) {
        if (*p < 0x80) {
            out += static_cast<char>(*p);
        } else if ((*p & 0xE0) == 0xC0 && p[1]) {
            out += static_cast<char>(((*p & 0x1F) << 6) | (p[1] & 0x3F));
            ++p;
        } else {
            out += '?';
        }
    }
    return out;
}

// Restores the current language however the writer leaves.
struct LanguageGuard {
    int32_t saved = GetCurrentLanguage();
    ~LanguageGuard() { SetCurrentLanguage(saved); }
};

int32_t WriteTreeTable(CResourceFile& file, int16_t id, const char* label,
                       const std::vector<EntrySpec>& specs, std::string& error) {
    CTreeTable table(16);
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const EntrySpec& s = specs[i];
        CTreeTableEntry& e = table.AddEntry();
        e.actionId = s.action;
        e.guardId = static_cast<int16_t>(s.action + 1000);
        e.flags = s.flags;
        e.attenuationLevel = s.attenuationLevel;
        e.attenuationValue = s.attenuationValue;
        e.autonomyThreshold = static_cast<uint32_t>(static_cast<int32_t>(s.autonomy));
        e.motiveCount = s.motiveCount;
        e.stringIndex = static_cast<int32_t>(i);
        for (const MotiveSpec& m : s.motives) {
            auto& r = e.motives[static_cast<std::size_t>(m.motive)];
            r.min = m.min;
            r.delta = m.delta;
            r.personality = m.personality;
        }
    }
    LanguageGuard guard;
    const std::array<int32_t, 3> languages{kLanguageEnglish, kLanguageFrench, kLanguageGerman};
    for (int32_t lang : languages) {
        SetCurrentLanguage(lang);
        for (std::size_t i = 0; i < specs.size(); ++i) {
            const char* n = lang == kLanguageEnglish  ? specs[i].english
                            : lang == kLanguageFrench ? specs[i].french
                                                      : specs[i].german;
            table.Entries()[i].name = Latin1(n).c_str();
        }
        int32_t st = table.SaveAs(&file, id, label);
        if (st != 0) {
            error = "cannot write tree table " + std::to_string(id) + " (status " +
                    std::to_string(st) + ")";
            return st;
        }
    }
    return 0;
}

int32_t WriteStrings(CResourceFile& file, int16_t id, const char* label,
                     const std::vector<const char*>& texts, std::string& error) {
    CStringTable t;
    t.Configure(&file, CStringTable::kTypeStr, id, false, 0);
    for (std::size_t i = 0; i < texts.size(); ++i)
        t.SetText(static_cast<int32_t>(i + 1), texts[i], 0);
    t.SetLabel(label);
    int32_t st = t.Save();
    if (st != 0)
        error = "cannot write STR# " + std::to_string(id) + " (status " + std::to_string(st) + ")";
    return st;
}

// Creates a fresh 2.5 file at path and opens it.
int32_t CreateFresh(CIffFileV2& file, const std::string& path, std::string& error) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    int32_t st = file.Create(path.c_str());
    if (st == 0) st = file.Open(path.c_str());
    if (st != 0) error = "cannot create " + path + " (status " + std::to_string(st) + ")";
    return st;
}

int32_t Finish(CIffFileV2& file, const std::string& path, int32_t st, std::string& error) {
    int32_t closed = file.Close();
    if (st == 0 && closed != 0) {
        error = "cannot close " + path + " (status " + std::to_string(closed) + ")";
        return closed;
    }
    return st;
}

} // namespace

int32_t WriteObjectFile(const std::string& path, std::string& error) {
    InstallStringTableReader();
    CIffFileV2 file;
    int32_t st = CreateFresh(file, path, error);
    if (st != 0) return st;

    const std::array<ObjectSpec, 4> objects{{
        {kSofaMasterId, "Sample Sofa", kSofaMasterGraphic, kSofaTreeTable, kSofaMultiTileId, -1, 0},
        {kSofaPartLeftId, "Sample Sofa - left", kSofaPartLeftGraphic, kSofaTreeTable,
         kSofaMultiTileId, 0x0000, 0},
        {kSofaPartRightId, "Sample Sofa - right", kSofaPartRightGraphic, kSofaTreeTable,
         kSofaMultiTileId, 0x0001, 0},
        {kLampId, "Sample Lamp", kLampGraphic, kLampTreeTable, 0, 0, 0},
    }};
    for (const auto& o : objects) {
        st = AddBody(file, kTypeOBJD, o.id, o.label, ObjdBody(o));
        if (st != 0) {
            error = "cannot write OBJD " + std::to_string(o.id) + " (status " + std::to_string(st) +
                    ")";
            return Finish(file, path, st, error);
        }
    }

    // Routines whose labels name the entries that have no name of their own.
    const std::array<std::pair<int16_t, const char*>, 10> routines{{{4096, "Sit - main"},
                                                                    {4097, "Nap - main"},
                                                                    {4098, "Bounce on Cushions"},
                                                                    {4099, "Chat - main"},
                                                                    {4100, "Plump - main"},
                                                                    {4101, "Look Under Sofa"},
                                                                    {4102, "Read - main"},
                                                                    {4103, "Stargaze - main"},
                                                                    {4104, "Repair - main"},
                                                                    {4300, "Lamp - toggle"}}};
    for (const auto& [id, label] : routines) {
        st = AddBody(file, kTypeBHAV, id, label, BhavBody());
        if (st != 0) {
            error =
                "cannot write BHAV " + std::to_string(id) + " (status " + std::to_string(st) + ")";
            return Finish(file, path, st, error);
        }
    }

    st = WriteTreeTable(file, kSofaTreeTable, "Sofa interactions", SofaEntries(), error);
    if (st == 0) {
        static const std::vector<EntrySpec> lamp{
            {"Turn On",
             "Allumer",
             "Einschalten",
             4300,
             0x001 | 0x008 | 0x100,
             1,
             0.0f,
             80,
             16,
             {{14, 0, 10, 0}}},
            {"Turn Off", "Éteindre", "Ausschalten", 4300, 0x008, 1, 0.0f, 20, 16, {}},
            {"", "", "", 4300, 0x040 | 0x010, 3, 0.0f, 0, 16, {{5, 5, 5, 0}}},
        };
        st = WriteTreeTable(file, kLampTreeTable, "Lamp interactions", lamp, error);
    }
    if (st == 0) {
        st = AddSampleGraphics(file);
        if (st != 0) error = "cannot write the sample graphics (status " + std::to_string(st) + ")";
    }
    return Finish(file, path, st, error);
}

int32_t WriteBehaviorFile(const std::string& path, std::string& error) {
    InstallStringTableReader();
    CIffFileV2 file;
    int32_t st = CreateFresh(file, path, error);
    if (st != 0) return st;
    const std::vector<const char*> motives{"Stamina",   "Cheer",   "Poise",        "Appetite",
                                           "Rest",      "Ease",    "Freshness",    "Relief",
                                           "Fun",       "Company", "Surroundings", "Mood",
                                           "Curiosity", "Craft",   "Insight",      "Vitality"};
    const std::vector<const char*> noEffect{"(no effect)"};
    const std::vector<const char*> personalities{"(anyone)", "Tidy",   "Outgoing", "Lively",
                                                 "Playful",  "Gentle", "Dreamy"};
    const std::vector<const char*> attenuations{"Custom", "None", "Low", "Medium", "High"};
    st = WriteStrings(file, 134, "Motive names", motives, error);
    if (st == 0) st = WriteStrings(file, 135, "Motive without effect", noEffect, error);
    if (st == 0) st = WriteStrings(file, 232, "Personalities", personalities, error);
    if (st == 0) st = WriteStrings(file, 233, "Attenuation levels", attenuations, error);
    return Finish(file, path, st, error);
}

int32_t WriteDemo(const std::string& dir, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(dir) / "gamedata", ec);
    if (ec) {
        error = "cannot create " + dir + "/gamedata: " + ec.message();
        return kResErrCannotCreate;
    }
    std::string abs = std::filesystem::absolute(dir, ec).lexically_normal().string();
    if (ec) abs = dir;
    while (abs.size() > 1 && abs.back() == '/')
        abs.pop_back();
    int32_t st = WriteObjectFile(abs + "/sample.iff", error);
    if (st == 0) st = WriteBehaviorFile(abs + "/gamedata/behavior.iff", error);
    if (st != 0) return st;
    std::ofstream reg(abs + "/registry.ini", std::ios::trunc);
    reg << "[HKEY_LOCAL_MACHINE\\Software\\Orvan\\Dwelmoor]\n"
        << "InstallPath=" << abs << "\n";
    reg.close();
    if (!reg) {
        error = "cannot write " + abs + "/registry.ini";
        return kResErrCannotCreate;
    }
    return 0;
}

} // namespace sample
