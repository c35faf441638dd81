// The event channel the bill form and the bill list share: numbering and nesting of events,
// Cancel, handler errors kept in the record, and the host's settling before the observer.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/form/event_channel.h"

namespace qor::host::form {
namespace {

struct Sink {
    std::vector<std::string> heard;
};

class EventChannelTest : public ::testing::Test {
protected:
    EventChannel<Sink> channel;
    Sink sink;
    std::vector<EventRecord> seen;
    void SetUp() override {
        channel.SetObserver([this](const EventRecord& e) { seen.push_back(e); });
    }
};

TEST_F(EventChannelTest, EventsAreNumberedNestedAndCancelled) {
    channel.Advise(&sink);
    bool cancel = false;
    channel.Raise("BeforeSave", "", &cancel, [&](Sink& s) {
        s.heard.push_back("BeforeSave");
        channel.Raise("Change", "FQty", nullptr,
                      [](Sink& inner) { inner.heard.push_back("Change"); });
        cancel = true;
    });
    EXPECT_EQ(sink.heard, (std::vector<std::string>{"BeforeSave", "Change"}));
    ASSERT_EQ(seen.size(), 2u);
    // The nested event finishes first but was raised second.
    EXPECT_EQ(seen[0].name, "Change");
    EXPECT_EQ(seen[0].seq, 2);
    EXPECT_EQ(seen[0].depth, 1);
    EXPECT_FALSE(seen[0].cancellable);
    EXPECT_EQ(seen[1].name, "BeforeSave");
    EXPECT_EQ(seen[1].seq, 1);
    EXPECT_EQ(seen[1].depth, 0);
    EXPECT_TRUE(seen[1].cancellable);
    EXPECT_TRUE(seen[1].cancelled);
}

TEST_F(EventChannelTest, HandlerErrorsAreKeptAndTheHostGoesOn) {
    channel.Advise(&sink);
    channel.Raise("AfterSave", "", nullptr, [](Sink&) { throw std::runtime_error("no stock"); });
    channel.Raise("AfterSave", "", nullptr, [](Sink&) { throw 42; });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].error, "no stock");
    EXPECT_EQ(seen[1].error, "unknown error");
    channel.Raise("AfterSave", "", nullptr, [](Sink&) {});
    EXPECT_EQ(seen[2].depth, 0) << "a failed handler leaves the nesting as it was";
}

TEST_F(EventChannelTest, WithoutASinkTheEventIsStillSettledAndReported) {
    std::vector<std::string> order;
    channel.SetObserver([&](const EventRecord& e) { order.push_back("observed " + e.name); });
    channel.Raise(
        "AddNewRow", "row 2", nullptr, [&](Sink&) { order.push_back("handled"); },
        [&] { order.push_back("settled"); });
    EXPECT_EQ(order, (std::vector<std::string>{"settled", "observed AddNewRow"}));

    channel.Advise(&sink);
    Sink other;
    channel.Unadvise(&other);  // another sink's unadvise leaves this one bound
    channel.Raise("AddNewRow", "", nullptr, [](Sink& s) { s.heard.push_back("AddNewRow"); });
    channel.Unadvise(&sink);
    channel.Raise("AddNewRow", "", nullptr, [](Sink& s) { s.heard.push_back("AddNewRow"); });
    EXPECT_EQ(sink.heard.size(), 1u);
}

}  // namespace
}  // namespace qor::host::form
