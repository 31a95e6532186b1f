// Random sequences of edits on 1.0 and 2.5 files, checked against a plain in-memory model after
// every reopen, with the file's structure checked after every close.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "IffTestUtil.h"
#include "resource/IffCheck.h"
#include "resource/IffFileV1.h"
#include "resource/IffFileV2.h"

using namespace iff_test;

namespace {

struct Key {
    uint32_t type;
    int16_t id;
    int32_t variant;
    bool operator<(const Key& o) const {
        return std::tie(type, id, variant) < std::tie(o.type, o.id, o.variant);
    }
};

struct Value {
    std::string label;
    std::vector<uint8_t> body;
};

template <class Kind> class ModelRun {
public:
    ModelRun(uint32_t seed, const std::string& path) : m_rng(seed), m_path(path) {}

    void Run(int steps) {
        ASSERT_EQ(m_file.Create(m_path.c_str()), 0);
        ASSERT_EQ(m_file.Open(m_path.c_str()), 0);
        for (int step = 0; step < steps; ++step) {
            SCOPED_TRACE(step);
            const int op = Pick(100);
            if (op < 30)
                AddNew();
            else if (op < 45)
                Replace(false);
            else if (op < 55)
                Replace(true);
            else if (op < 68)
                Delete();
            else if (op < 78)
                Rename();
            else if (op < 84)
                FetchAndRelease();
            else if (op < 89)
                ASSERT_EQ(m_file.Flush(), 0);
            else
                Reopen();
            if (testing::Test::HasFatalFailure()) return;
        }
        Reopen();
        EXPECT_EQ(m_file.Close(), kResOk);
    }

private:
    static constexpr bool kV1 = std::is_same_v<Kind, CIffFileV1>;

    int Pick(int n) { return int(m_rng() % uint32_t(n)); }

    std::string RandomLabel() {
        const int kind = Pick(4);
        if (kind == 0) return "";
        const int n = kind == 3 ? 60 + Pick(10) : 1 + Pick(12);
        std::string s;
        for (int i = 0; i < n; ++i)
            s += "abcdefXYZ0123_ "[Pick(15)];
        return s;
    }
    static std::string Cut(const std::string& s) { return s.substr(0, 63); }

    std::vector<uint8_t> RandomBody(size_t notSize = size_t(-1)) {
        size_t n;
        do {
            n = Pick(20) == 0 ? size_t(52000 + Pick(80000)) : size_t(Pick(2500));
        } while (n == notSize);
        return Pattern(n, m_rng());
    }

    bool PickKey(Key& key) {
        if (m_model.empty()) return false;
        auto it = m_model.begin();
        std::advance(it, Pick(int(m_model.size())));
        key = it->first;
        return true;
    }

    CChunk* Fetch(const Key& key) {
        CChunk* c = m_file.GetChunkVariant(key.type, key.id, key.variant);
        EXPECT_NE(c, nullptr) << m_file.LastError();
        return c;
    }

    void Store(CChunk* c, const Key& key, const std::string& label) {
        // 1.0 files drop the label given with a variant, so they take the plain call.
        if (kV1)
            ASSERT_EQ(m_file.AddChunk(c, key.type, key.id, Label(label.c_str()), true), 0);
        else
            ASSERT_EQ(m_file.AddChunkVariant(c, key.type, key.id, Label(label.c_str()), key.variant,
                                             true),
                      0);
        const int how = Pick(10);
        if (how < 4) {
            ASSERT_EQ(m_file.WriteChunk(c), 0);
            ASSERT_EQ(m_file.ReleaseChunk(c), 0);
        } else if (how < 8) {
            ASSERT_EQ(m_file.ReleaseChunk(c), 0);
        } // else left attached and unwritten: the file writes it on flush or close
    }

    void AddNew() {
        static const uint32_t types[] = {kTTAB, kSTR, kOBJD, kBHAV};
        Key key{types[Pick(4)], 0, kV1 || Pick(3) ? 0 : 1 + Pick(2)};
        key.id = Pick(2) ? m_file.NextFreeId(key.type) : int16_t(1 + Pick(20));
        Value v{kV1 && key.variant ? "" : Cut(RandomLabel()), RandomBody()};
        std::string label = v.label;
        if (kV1) key.variant = 0;
        CChunk* c = MakeBody(v.body);
        Store(c, key, label);
        m_model[key] = v;
    }

    void Replace(bool viaFetchedHandle) {
        Key key;
        if (!PickKey(key)) return;
        Value& v = m_model[key];
        std::vector<uint8_t> body = RandomBody(v.body.size());
        const std::string label = Pick(2) ? v.label : Cut(RandomLabel());
        CChunk* c;
        if (viaFetchedHandle) {
            c = Fetch(key);
            ASSERT_NE(c, nullptr);
            ASSERT_TRUE(c->Resize(int32_t(body.size())));
            if (!body.empty()) std::memcpy(c->Body(), body.data(), body.size());
        } else {
            c = MakeBody(body);
        }
        Store(c, key, label);
        v = Value{label, body};
    }

    void Delete() {
        Key key;
        if (!PickKey(key)) return;
        CChunk* c = Fetch(key);
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(m_file.DeleteChunk(c), 0);
        m_model.erase(key);
    }

    void Rename() {
        Key key;
        if (!PickKey(key)) return;
        CChunk* c = Fetch(key);
        ASSERT_NE(c, nullptr);
        Key to = key;
        to.id = m_file.NextFreeId(key.type);
        const std::string label = Cut(RandomLabel());
        ASSERT_EQ(m_file.SetIdAndLabel(c, to.id, Label(label.c_str()), kV1 ? 0 : key.variant), 0);
        ASSERT_EQ(m_file.ReleaseChunk(c), 0);
        Value v = m_model[key];
        v.label = label;
        m_model.erase(key);
        m_model[to] = v;
    }

    void FetchAndRelease() {
        Key key;
        if (!PickKey(key)) return;
        CChunk* c = Fetch(key);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(BodyOf(c), m_model[key].body);
        ASSERT_EQ(m_file.ReleaseChunk(c), 0);
    }

    void Verify() {
        int32_t total = 0;
        for (int32_t t = 1; t <= m_file.CountTypes(); ++t)
            total += m_file.CountChunks(m_file.GetTypeAt(t));
        EXPECT_EQ(total, int32_t(m_model.size()));
        for (const auto& [key, v] : m_model) {
            CChunk* c = Fetch(key);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(BodyOf(c), v.body);
            Label l;
            EXPECT_EQ(m_file.GetLabel(c, l), 0);
            EXPECT_EQ(std::string(l.Text()), v.label);
            EXPECT_EQ(m_file.GetVariant(c), key.variant);
            ASSERT_EQ(m_file.ReleaseChunk(c), 0);
        }
    }

    void Reopen() {
        ASSERT_EQ(m_file.Close(), 0);
        IffCheckReport report;
        EXPECT_TRUE(CheckIffFile(m_path.c_str(), report))
            << (report.problems.empty() ? "" : report.problems[0]);
        if (Pick(3) == 0) {
            // Reading never changes a byte.
            const auto before = ReadAll(m_path);
            ASSERT_EQ(m_file.OpenReadOnly(m_path.c_str()), 0);
            Verify();
            ASSERT_EQ(m_file.Close(), 0);
            EXPECT_EQ(ReadAll(m_path), before);
            m_file.SetReadOnlyOpen(false);
        }
        ASSERT_EQ(m_file.Open(m_path.c_str()), 0);
        ASSERT_TRUE(m_file.IsWritable());
        Verify();
    }

    std::mt19937 m_rng;
    std::string m_path;
    Kind m_file;
    std::map<Key, Value> m_model;
};

TEST(IffModelTest, Version1RandomEdits) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        ScratchDir dir = ScratchDir::InMemory();
        ModelRun<CIffFileV1>(seed, dir / "m.iff").Run(250);
        if (HasFatalFailure()) return;
    }
}

TEST(IffModelTest, Version25RandomEdits) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        ScratchDir dir = ScratchDir::InMemory();
        ModelRun<CIffFileV2>(seed, dir / "m.iff").Run(250);
        if (HasFatalFailure()) return;
    }
}

} // namespace
