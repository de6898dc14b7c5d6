// Which case a link text falls into and the text handed to the shell.
#include <gtest/gtest.h>

#include "shell/LinkPlan.h"

namespace {

TEST(LinkPlan, WideRule)
{
    const struct {
        const wchar_t* text;
        LinkKind kind;
        const wchar_t* shellText;
    } cases[] = {
        {L"support@quillfen.com?subject=Window Veilbox", LinkKind::EMail,
         L"mailto:support@quillfen.com?subject=Window Veilbox"},
        // An "@" together with a "/" is a web address.
        {L"user@host/path", LinkKind::Web, L"C:\\win\\explorer \"http://user@host/path\""},
        {L"C:\\Docs\\readme.txt", LinkKind::LocalPath, L"C:\\Docs\\readme.txt"},
        // Two characters are not a local path.
        {L"C:", LinkKind::Web, L"C:\\win\\explorer \"http://C:\""},
        {L"https://quillfen.com/a?b", LinkKind::Web, L"C:\\win\\explorer \"https://quillfen.com/a?b\""},
        // A quote cannot end the quoted address early.
        {L"a.com/\" /x", LinkKind::Web, L"C:\\win\\explorer \"http://a.com/%22 /x\""},
        {L"", LinkKind::None, L""},
        {nullptr, LinkKind::None, L""},
    };
    for (const auto& c : cases) {
        const WideLinkPlan plan = PlanLinkWide(c.text, L"C:\\win\\");
        EXPECT_EQ(c.kind, plan.kind) << (c.text ? c.text : L"(null)");
        EXPECT_STREQ(c.shellText, plan.shellText.IsNull() ? L"" : plan.shellText.Text());
    }
    EXPECT_STREQ(L"explorer \"http://q.com\"", PlanLinkWide(L"q.com", nullptr).shellText.Text());
}

TEST(LinkPlan, NarrowRuleExcludesColonInsteadOfSlash)
{
    const struct {
        const char* text;
        LinkKind kind;
    } cases[] = {
        {"user@host/path", LinkKind::EMail},
        {"http://user@host/", LinkKind::Web},
        {"C:\\Docs\\a@b.txt", LinkKind::LocalPath},
        {"quillfen.com", LinkKind::Web},
        {"", LinkKind::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.kind, PlanLinkNarrow(c.text, "C:\\win\\").kind) << c.text;
    }
    EXPECT_STREQ("mailto:a@b", PlanLinkNarrow("a@b", "").shellText.Text());
}

}  // namespace
