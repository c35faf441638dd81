// The channel through which the reference host's bill form and bill list raise their events into
// the bound plug-in, and the record of each event the host keeps for its observer.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace qor::host::form {

// One event as the host raised it.
struct EventRecord {
    long seq = 0;      // order in which the events were raised
    int depth = 0;     // nesting: an event raised while another was being handled
    std::string name;  // "BeforeSave"
    std::string args;  // a readable summary of the arguments
    bool cancellable = false;
    bool cancelled = false;
    std::string error;  // an error the handler let through (the host goes on)
};
using EventObserver = std::function<void(const EventRecord&)>;

// The advised sink of one form or list and the events raised into it. Events are numbered in
// the order raised, an event raised while another is handled is one level deeper, and an error
// the handler lets through is kept in the record: the host's action goes on.
template <class Sink>
class EventChannel {
public:
    void Advise(Sink* sink) { sink_ = sink; }
    void Unadvise(Sink* sink) {
        if (sink_ == sink) sink_ = nullptr;
    }
    void SetObserver(EventObserver observer) { observer_ = std::move(observer); }

    // Raises one event: call(sink) when a sink is advised; cancel (null for an event that
    // cannot be cancelled) is read after the handler. settle runs after the handler, before the
    // observer hears of the event.
    template <class Call, class Settle>
    void Raise(std::string name, std::string args, bool* cancel, Call&& call, Settle&& settle) {
        EventRecord rec;
        rec.seq = ++seq_;
        rec.depth = depth_;
        rec.name = std::move(name);
        rec.args = std::move(args);
        rec.cancellable = cancel != nullptr;
        ++depth_;
        if (sink_) {
            try {
                call(*sink_);
            } catch (const std::exception& e) {
                rec.error = e.what();
            } catch (...) {
                rec.error = "unknown error";
            }
        }
        --depth_;
        rec.cancelled = cancel && *cancel;
        settle();
        if (observer_) observer_(rec);
    }
    template <class Call>
    void Raise(std::string name, std::string args, bool* cancel, Call&& call) {
        Raise(std::move(name), std::move(args), cancel, std::forward<Call>(call), [] {});
    }

private:
    Sink* sink_ = nullptr;
    EventObserver observer_;
    long seq_ = 0;
    int depth_ = 0;
};

}  // namespace qor::host::form
