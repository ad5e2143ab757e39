#pragma once
// How a command ended, and a message box's worth of text: one vocabulary for the imports, the season
// run, the sensitivity steps and the calibration checks, so that a caller tests every command alike.
// A step that has nothing to give back returns an Outcome; one that makes something returns a Result of
// it, which holds the thing or the same failure an Outcome would. Exceptions are kept for programming
// errors (a Result asked for a value it does not hold), never for a user's file or input.

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tulo {

enum class Icon { None, Information, Exclamation, Question, Critical };

// One message box: its text, its title (empty for the application's default) and its icon.
struct Message {
    std::string text;
    std::string title = {};
    Icon icon = Icon::None;
    friend bool operator==(const Message&, const Message&) = default;
};

// What a command that asks nothing said on its way, in order: the window shows each as a message box,
// the command line prints it on standard error, the Python package keeps it.
using Messages = std::vector<Message>;

// Done, cancelled by the user, or failed. The message says why a step was cancelled or failed, for the
// caller to show; it stays empty where the command has shown its problems already (an import, a run).
struct Outcome {
    enum Status { Done, Cancelled, Failed };
    // What kind of failure it was, where a caller answers them differently: the command line exits with
    // one code for inputs that cannot be simulated and another for a season whose values are not finite.
    enum class Reason { Unspecified, InvalidInputs, NotFinite };

    Status status = Done;
    Reason reason = Reason::Unspecified;
    std::string message;

    // A bare status converts, so that a command may simply `return Outcome::Cancelled;`.
    Outcome(Status status = Done) : status(status) {} // NOLINT(google-explicit-constructor)

    static Outcome Success() { return {}; }
    static Outcome Cancellation(std::string message) {
        Outcome outcome(Cancelled);
        outcome.message = std::move(message);
        return outcome;
    }
    static Outcome Failure(std::string message, Reason reason = Reason::Unspecified) {
        Outcome outcome(Failed);
        outcome.reason = reason;
        outcome.message = std::move(message);
        return outcome;
    }
    static Outcome Failure(Reason reason) { return Failure({}, reason); }
    // A failure for a problem the file functions of io still report as an optional message (they are
    // shared with commands that read them so); success when there is none.
    static Outcome FailureIf(std::optional<std::string> problem) {
        return problem ? Failure(std::move(*problem)) : Success();
    }

    explicit operator bool() const { return status == Done; }
    friend bool operator==(const Outcome& outcome, Status status) { return outcome.status == status; }
};

// A value, or the Outcome that says why there is none. The failure is kept whole (status, reason and
// message), so that a caller hands it on as it came: `if (!result) return result.outcome();`.
// `return {};` does not compile for a Result: a step says which of the two it means.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value)) {} // NOLINT(google-explicit-constructor)
    // A failure or a cancellation. A successful Outcome brings no value, so building a Result from one
    // is a programming error, reported at once rather than when the missing value is read.
    Result(Outcome problem) : state_(std::in_place_index<1>, std::move(problem)) { // NOLINT
        if (std::get<1>(state_).status == Outcome::Done)
            throw std::logic_error("a Result was built from a successful Outcome without a value");
    }

    bool has_value() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    // The value; asking a failure for one is a programming error and throws, naming the failure.
    T& value() & { return std::get<0>(Checked()); }
    const T& value() const& { return std::get<0>(Checked()); }
    T&& value() && { return std::get<0>(std::move(Checked())); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Done when there is a value, the failure otherwise: what a step that returns an Outcome passes on.
    Outcome outcome() const& { return has_value() ? Outcome::Success() : std::get<1>(state_); }
    Outcome outcome() && { return has_value() ? Outcome::Success() : std::get<1>(std::move(state_)); }
    // The failure's message and reason; empty and Unspecified when there is a value.
    const std::string& message() const noexcept {
        static const std::string none;
        return has_value() ? none : std::get<1>(state_).message;
    }
    Outcome::Reason reason() const noexcept {
        return has_value() ? Outcome::Reason::Unspecified : std::get<1>(state_).reason;
    }

private:
    std::variant<T, Outcome>& Checked() {
        if (!has_value())
            throw std::logic_error("a failed Result was asked for its value: " + std::get<1>(state_).message);
        return state_;
    }
    const std::variant<T, Outcome>& Checked() const {
        if (!has_value())
            throw std::logic_error("a failed Result was asked for its value: " + std::get<1>(state_).message);
        return state_;
    }

    std::variant<T, Outcome> state_;
};

} // namespace tulo
