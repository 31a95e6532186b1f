// What the template data must hold for any window built from it; the controls' own values are
// exercised by the dialog tests and the end-to-end test, not restated here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/EditorResources.h"

namespace {

TEST(EditorResources, EveryControlHasItsOwnIdAndLiesInsideTheDialog) {
    const ui::DialogTemplate& t = res::EditorDialogTemplate();
    std::set<int> ids;
    for (const auto& c : t.controls) {
        if (c.id != ui::kIdStatic) {
            EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        }
        EXPECT_LE(c.x + c.cx, t.cx) << c.id;
        EXPECT_LE(c.y + c.cy, t.cy) << c.id;
    }
    // Enter presses the default button: there is exactly one, OK.
    int defaults = 0;
    for (const auto& c : t.controls)
        defaults += c.kind == ui::ControlKind::DefPushButton;
    EXPECT_EQ(defaults, 1);
}

TEST(EditorResources, TheLanguageListIsFilledByTheTemplateAndTheIconIsWellFormed) {
    const ui::DialogTemplate& t = res::EditorDialogTemplate();
    ASSERT_EQ(t.initData.size(), 1u);
    EXPECT_EQ(t.initData[0].id, res::kIdLanguage);
    EXPECT_EQ(t.initData[0].items.size(), res::LanguageNames().size());
    const ui::IconData& icon = res::ProgramIcon();
    ASSERT_EQ(icon.xpm.size(), 6u + std::size_t(icon.height)); // header, five colours, the rows
    for (std::size_t i = 6; i < icon.xpm.size(); ++i)
        EXPECT_EQ(std::string(icon.xpm[i]).size(), std::size_t(icon.width));
    // The sockets start-up's message is the program's own text, used exactly as it stands.
    EXPECT_STREQ(res::LoadProgramString(103), "Windows sockets initialization failed.");
    EXPECT_EQ(res::LoadProgramString(1), nullptr);
}

} // namespace
