#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/EditorResources.h"

namespace {

TEST(EditorResources, TemplateHoldsEveryControlInTabOrder) {
    const ui::DialogTemplate& t = res::EditorDialogTemplate();
    EXPECT_EQ(t.resourceId, 102);
    EXPECT_STREQ(t.caption, "Tavimet");
    EXPECT_EQ(t.cx, 424);
    EXPECT_EQ(t.cy, 271);
    std::set<int> ids;
    for (const auto& c : t.controls) {
        if (c.id != -1) {
            EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        }
    }
    EXPECT_EQ(ids, (std::set<int>{1, 2, 1000, 1001, 1010, 1011, 1012, 1014, 1015, 1016, 1017, 1018,
                                  1019, 1020, 1021, 1022, 1023}));
    // OK first, the personality list last; Apply sits between the motive controls and the labels.
    EXPECT_EQ(t.controls.front().id, 1);
    EXPECT_EQ(t.controls.front().kind, ui::ControlKind::DefPushButton);
    EXPECT_EQ(t.controls.back().id, 1021);
    for (const auto& c : t.controls) {
        if (c.id == 1020) {
            EXPECT_EQ(c.kind, ui::ControlKind::DropDownList);
            EXPECT_EQ(c.x, 60);
            EXPECT_EQ(c.cy, 87);
        }
        EXPECT_LE(c.x + c.cx, t.cx) << c.id;
        EXPECT_LE(c.y + c.cy, t.cy) << c.id;
    }
}

TEST(EditorResources, LanguagesIconAndStrings) {
    auto langs = res::LanguageNames();
    ASSERT_EQ(langs.size(), 20u);
    EXPECT_STREQ(langs[0], "US English");
    EXPECT_STREQ(langs[2], "French");
    EXPECT_STREQ(langs[19], "Korean");
    ASSERT_EQ(res::EditorDialogTemplate().initData.size(), 1u);
    EXPECT_EQ(res::EditorDialogTemplate().initData[0].id, res::kIdLanguage);
    const ui::IconData& icon = res::ProgramIcon();
    EXPECT_EQ(icon.width, 32);
    ASSERT_EQ(icon.xpm.size(), 6u + 32u); // header, five colours, 32 rows
    for (std::size_t i = 6; i < icon.xpm.size(); ++i)
        EXPECT_EQ(std::string(icon.xpm[i]).size(), 32u);
    EXPECT_STREQ(res::LoadProgramString(103), "Windows sockets initialization failed.");
    EXPECT_EQ(res::LoadProgramString(1), nullptr);
}

} // namespace
