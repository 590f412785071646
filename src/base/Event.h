#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kiv {

// Cancels one subscription to an Event when it is destroyed or reset, so an object that
// dies is never called back. Move-only.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (cancel_) {
            std::exchange(cancel_, {})();
        }
    }
    bool active() const { return static_cast<bool>(cancel_); }

private:
    std::function<void()> cancel_;
};

// A synchronous event. Handlers run in subscription order. Subscribing or cancelling from
// inside a handler is safe: a handler cancelled during a raise is not called afterwards, one
// added during a raise is first called by the next raise. Raising allocates nothing.
template <typename... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    [[nodiscard]] Subscription subscribe(Handler handler) {
        auto slot = std::make_shared<Slot>(Slot{std::move(handler), true});
        state_->entries.push_back(slot);
        std::weak_ptr<State> weakState = state_;
        return Subscription([weakState, slot] {
            slot->active = false;
            if (auto state = weakState.lock()) {
                ++state->inactive;
                state->removeInactive();
            }
        });
    }

    void raise(Args... args) const {
        std::shared_ptr<State> state = state_;  // survives the event's owner dying in a handler
        // A handler may throw (a failing lookup does): the guard still ends the raise.
        struct Raising {
            State& state;
            explicit Raising(State& s) : state(s) { ++state.raising; }
            ~Raising() {
                --state.raising;
                state.removeInactive();
            }
        } raising(*state);
        const std::size_t count = state->entries.size();
        for (std::size_t i = 0; i < count && i < state->entries.size(); ++i) {
            std::shared_ptr<Slot> slot = state->entries[i];
            if (slot->active) {
                slot->handler(args...);
            }
        }
    }

    std::size_t subscriberCount() const { return state_->entries.size() - state_->inactive; }

private:
    struct Slot {
        Handler handler;
        bool active;
    };
    struct State {
        std::vector<std::shared_ptr<Slot>> entries;
        int raising = 0;
        std::size_t inactive = 0;
        // Cancelled slots go once they are half of all, so that cancelling one subscription
        // among many costs no walk over all of them.
        void removeInactive() {
            if (raising == 0 && inactive * 2 > entries.size()) {
                std::erase_if(entries, [](const auto& slot) { return !slot->active; });
                inactive = 0;
            }
        }
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kiv
