#include "tools/hlpgen/help_source.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qaz::hlpgen {
namespace {

TEST(HelpSource, TopicsParagraphStylesAndRuns) {
    HelpBook book = ParseHelpSource(
        "# comment\n"
        "!title QAZ ヘルプ\n"
        "= contents 目次\n"
        "\n"
        "本文 **太字** と [[Bar_1|バー]] へ。\n"
        "== 見出し\n"
        "- 項目\n"
        "> 字下げ\n"
        "= Bar_1 バー\n"
        "[[CONTENTS|戻る]]\n");
    EXPECT_EQ(book.title, "QAZ ヘルプ");
    ASSERT_EQ(book.topics.size(), 2u);
    const Topic& t = book.topics[0];
    EXPECT_EQ(t.context, "contents");
    EXPECT_EQ(t.title, "目次");
    ASSERT_EQ(t.paragraphs.size(), 5u);
    EXPECT_EQ(t.paragraphs[0].style, Paragraph::kTitle);  // the title shown at the top
    EXPECT_EQ(t.paragraphs[0].runs[0].text, "目次");
    const auto& runs = t.paragraphs[1].runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "本文 ");
    EXPECT_EQ(runs[1].kind, Run::kBold);
    EXPECT_EQ(runs[1].text, "太字");
    EXPECT_EQ(runs[3].kind, Run::kJump);
    EXPECT_EQ(runs[3].target, "Bar_1");
    EXPECT_EQ(runs[3].text, "バー");
    EXPECT_EQ(runs[4].text, " へ。");
    EXPECT_EQ(t.paragraphs[2].style, Paragraph::kHeading);
    EXPECT_EQ(t.paragraphs[3].style, Paragraph::kBullet);
    EXPECT_EQ(t.paragraphs[4].style, Paragraph::kIndent);
    EXPECT_EQ(t.paragraphs[4].runs[0].text, "字下げ");
}

TEST(HelpSource, FaultsNameTheirLine) {
    struct Case {
        const char* source;
        const char* message;
    } cases[] = {
        {"本文\n", "line 1: text before the first topic"},
        {"= a A\n= A B\n", "line 2: context 'A' is used twice"},
        {"= a-b A\n", "line 1: bad context name 'a-b'"},
        {"= a\n", "line 1: topic 'a' has no title"},
        {"= a A\n\n[[b|x]]\n", "line 3: jump to unknown topic 'b'"},
        {"= a A\n[[a|x]\n", "line 2: unclosed [["},
        {"= a A\n[[a]]\n", "line 2: a jump is written [[context|text]]"},
        {"= a A\n**x\n", "line 2: unclosed **"},
        {"# only\n", "the help text has no topic"},
    };
    for (const Case& c : cases) {
        try {
            ParseHelpSource(c.source);
            ADD_FAILURE() << "accepted: " << c.source;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.source;
        }
    }
}

}  // namespace
}  // namespace qaz::hlpgen
