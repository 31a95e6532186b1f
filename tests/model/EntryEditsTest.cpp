#include <gtest/gtest.h>

#include "model/EntryEdits.h"
#include "model/ModelFiles.h"
#include "model/TreeTable.h"

using namespace modeltest;
using namespace entry_edits;

TEST(EntryEdits, MinKeepsDeltaAndMaxSetsIt) {
    CTreeTableEntry e(16);
    MotiveRecord* r = Motive(e, 7);
    ASSERT_NE(r, nullptr);
    r->min = 5;
    r->delta = 10;
    EXPECT_TRUE(StoreMin(*r, 7));
    EXPECT_EQ(r->min + r->delta, 17);
    EXPECT_TRUE(StoreMax(*r, 20));
    EXPECT_EQ(r->delta, 13);
    EXPECT_EQ(r->min, 7);
    EXPECT_FALSE(StoreMax(*r, 20));
    EXPECT_FALSE(StoreMin(*r, 7));
    EXPECT_TRUE(StoreMin(*r, 70000)); // cut to 16 bits
    EXPECT_EQ(r->min, int16_t(70000 - 65536));
    EXPECT_TRUE(StoreMax(*r, -40000));
    EXPECT_EQ(int16_t(r->min + r->delta), int16_t(-40000 + 65536));
    EXPECT_TRUE(StorePersonality(*r, 3));
    EXPECT_EQ(r->personality, 3);
    EXPECT_EQ(Motive(e, 16), nullptr);
    EXPECT_EQ(Motive(e, -1), nullptr);
}

TEST(EntryEdits, TextParsing) {
    EXPECT_EQ(LeadingInteger("007"), 7);
    EXPECT_EQ(LeadingInteger("  -12x"), -12);
    EXPECT_EQ(LeadingInteger("x1"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("99999999999"), INT32_MAX);
    EXPECT_EQ(LeadingInteger("-99999999999"), INT32_MIN);

    CTreeTableEntry e(16);
    EXPECT_FALSE(StoreAutonomyText(e, "abc"));
    EXPECT_FALSE(StoreAutonomyText(e, "50"));
    EXPECT_TRUE(StoreAutonomyText(e, "65535"));
    EXPECT_EQ(e.autonomyThreshold, 0xFFFFFFFFu); // -1 sign-extended
    EXPECT_FALSE(StoreAutonomy(e, -1));

    EXPECT_EQ(FormatAttenuation(0.02f), "0.02");
    EXPECT_EQ(FormatAttenuation(0.1f), "0.1");
    EXPECT_EQ(FormatAttenuation(0.0f), "0.");
    EXPECT_EQ(FormatAttenuation(10.0f), "10.");

    e.attenuationLevel = 3;
    EXPECT_FALSE(StoreAttenuationText(e, "0.02")); // equals the preset
    EXPECT_EQ(e.attenuationLevel, 3u);
    EXPECT_FALSE(StoreAttenuationText(e, "none"));
    EXPECT_TRUE(StoreAttenuationText(e, "0.5"));
    EXPECT_EQ(e.attenuationLevel, 0u);
    EXPECT_EQ(e.attenuationValue, 0.5f);
}

TEST(EntryEdits, FlagMarksAndNames) {
    CTreeTableEntry e(16);
    e.flags = 0x80000000u | 0x010;
    bool marks[kFlagRows];
    GetFlagMarks(e, marks);
    EXPECT_FALSE(marks[0]);
    EXPECT_FALSE(marks[1]); // bit 0x10 set: not consecutive
    EXPECT_TRUE(marks[2]);  // bit 0x40 clear: adults
    const bool all[kFlagRows] = {true, true, false, true, true};
    StoreFlagMarks(e, all);
    EXPECT_EQ(e.flags, 0x80000000u | 0x001 | 0x040 | 0x008 | 0x100);

    StoreName(e, std::string(70, 'n').c_str());
    EXPECT_EQ(e.name.Length(), 63u);
}

TEST(EntryEdits, TreeTableLabel) {
    ScratchDir dir;
    auto file = NewFile(dir / "label.iff");
    ASSERT_EQ(Put(*file, kTTAB, 128, Bytes{0, 0, 9, 0, 1}, "Chair menu"), 0);
    ASSERT_EQ(Put(*file, kTTAB, 129, Bytes{0, 0, 9, 0, 1}, ""), 0);
    EXPECT_EQ(MakeTreeTableLabel(file.get(), 128), "Chair menu");
    EXPECT_EQ(MakeTreeTableLabel(file.get(), 129), "untitled tree table");
    EXPECT_EQ(MakeTreeTableLabel(file.get(), -1), "untitled tree table");
    EXPECT_EQ(MakeTreeTableLabel(nullptr, 128), "untitled tree table");
}
