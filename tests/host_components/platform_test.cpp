// The host platform as the plug-ins meet it: message boxes answered from the queue or by their
// default button, the plug-ins' text dialog, and one clock for host and plug-ins.
#include <gtest/gtest.h>

#include <optional>

#include "frame/platform.h"
#include "host/platform.h"
#include "host/sql/sqlite_functions.h"
#include "services/clock.h"

namespace qor::host {
namespace {

TEST(HostPlatformBoxes, AnUnansweredBoxTakesItsDefaultButton) {
    // First button, or the second / third when the default-button flag says so.
    EXPECT_EQ(DefaultButton(64), kAnswerOk);
    EXPECT_EQ(DefaultButton(36), kAnswerYes);
    EXPECT_EQ(DefaultButton(36 + 256), kAnswerNo);
    EXPECT_EQ(DefaultButton(1 + 256), kAnswerCancel);
    EXPECT_EQ(DefaultButton(3 + 512), kAnswerCancel);
    EXPECT_EQ(DefaultButton(3 + 256), kAnswerNo);
    EXPECT_EQ(DefaultButton(2 + 512), 5);  // Ignore
    EXPECT_EQ(DefaultButton(0 + 256), kAnswerOk);

    HostPlatform p;
    EXPECT_EQ(p.MsgBox("删除吗？", 36 + 256, "信息提示"), kAnswerNo);
    p.QueueAnswer(kAnswerYes);
    EXPECT_EQ(p.MsgBox("删除吗？", 36 + 256, "信息提示"), kAnswerYes);
    ASSERT_EQ(p.Boxes().size(), 2u);
    EXPECT_TRUE(p.Boxes()[0].defaulted);
    EXPECT_FALSE(p.Boxes()[1].defaulted);
}

TEST(HostPlatformBoxes, TheTextDialogIsConfirmedOnlyWithAText) {
    HostPlatform p;
    std::string text;
    // Shows the dialog starting with start, answered by answer (none: unanswered).
    auto ask = [&](const std::string& start, std::optional<Value> answer) {
        TextDialog d;
        d.caption = "驳回原因";
        d.label = "请输入驳回原因：";
        d.text = start;
        if (answer) p.QueueAnswer(*answer);
        bool confirmed = p.ShowTextDialog(d);
        text = d.text;
        return confirmed;
    };
    EXPECT_TRUE(ask("旧原因", Value("客户取消")));
    EXPECT_EQ(text, "客户取消");
    // OK with the text the box starts with; blanks keep OK disabled, so only Cancel is left.
    EXPECT_TRUE(ask("旧原因", Value(kAnswerOk)));
    EXPECT_EQ(text, "旧原因");
    EXPECT_FALSE(ask("旧原因", Value("  \t ")));
    EXPECT_EQ(text, "旧原因");
    EXPECT_TRUE(p.Boxes().back().okDisabled);
    EXPECT_FALSE(ask("", Value(kAnswerOk)));
    // Cancel, and a dialog nobody answers, confirm nothing.
    EXPECT_FALSE(ask("旧原因", Value(kAnswerCancel)));
    EXPECT_FALSE(ask("旧原因", std::nullopt));
    EXPECT_TRUE(p.Boxes().back().defaulted);
    EXPECT_TRUE(p.Boxes().back().isDialog);
    EXPECT_EQ(p.Boxes().back().prompt, "请输入驳回原因：");
    EXPECT_EQ(p.PendingAnswers(), 0u);
}

// What the plug-ins take for "now" is the host's clock, which a scenario holds still.
TEST(HostPlatformClock, ThePlugInsNowIsTheHostsClock) {
    auto platform = std::make_shared<HostPlatform>();
    AttachPlatform(platform);
    sql::SetFixedNow("2026-12-10 14:30:05");
    EXPECT_EQ(FormatDateTime(platform->Now()), "2026-12-10 14:30:05");
    EXPECT_EQ(FormatDateTime(CurrentDateTime()), "2026-12-10 14:30:05");
    EXPECT_EQ(sql::TodayText(), "2026-12-10");
    sql::SetFixedNow("");
    EXPECT_GE(CurrentDateTime().year, 2024);  // the system clock again
    AttachPlatform(nullptr);
    EXPECT_GE(CurrentDateTime().year, 2024);  // a detached library reads the system clock
}

}  // namespace
}  // namespace qor::host
