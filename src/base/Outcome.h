#pragma once
// How a command ended, and a message box's worth of text: one vocabulary for the imports, the season
// run, the sensitivity steps and the calibration checks, so that a caller tests every command alike.

#include <string>
#include <utility>
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

    explicit operator bool() const { return status == Done; }
    friend bool operator==(const Outcome& outcome, Status status) { return outcome.status == status; }
};

} // namespace tulo
