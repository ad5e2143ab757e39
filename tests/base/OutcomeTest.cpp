#include "base/Outcome.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace tulo {
namespace {

Result<std::unique_ptr<int>> Made(bool ok) {
    if (!ok) return Outcome::Failure("the seed must be a whole number.", Outcome::Reason::InvalidInputs);
    return std::make_unique<int>(7);
}

// A value that cannot be copied travels out of a Result; a failure arrives whole, reason included, so
// that a caller hands it on as it came.
TEST(Result, MovesItsValueAndPassesItsFailureOnWhole) {
    auto made = Made(true);
    ASSERT_TRUE(made);
    EXPECT_EQ(made.outcome(), Outcome::Done);
    EXPECT_EQ(made.message(), "");
    std::unique_ptr<int> taken = std::move(made).value();
    EXPECT_EQ(*taken, 7);

    const auto refused = Made(false);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.message(), "the seed must be a whole number.");
    EXPECT_EQ(refused.reason(), Outcome::Reason::InvalidInputs);
    const Outcome passed = refused.outcome();
    EXPECT_EQ(passed, Outcome::Failed);
    EXPECT_EQ(passed.reason, Outcome::Reason::InvalidInputs);
    EXPECT_EQ(passed.message, refused.message());

    const Result<int> cancelled = Outcome::Cancellation("Stopped.");
    EXPECT_EQ(cancelled.outcome(), Outcome::Cancelled);
    EXPECT_EQ(cancelled.message(), "Stopped.");
}

// Asking a failure for its value, or building a Result from a success that brings none, is a mistake
// in the program and throws at once, naming the failure it hid.
TEST(Result, MisuseThrowsInsteadOfReadingNothing) {
    const Result<std::string> refused = Outcome::Failure("no file");
    try {
        (void)refused.value();
        FAIL() << "a failed Result gave a value";
    } catch (const std::logic_error& error) {
        EXPECT_NE(std::string(error.what()).find("no file"), std::string::npos) << error.what();
    }
    EXPECT_THROW(Result<int>{Outcome::Success()}, std::logic_error);
}

// The bridge from the file functions that report a problem as an optional message.
TEST(Outcome, FailureIfTurnsAnOptionalProblemIntoAnOutcome) {
    EXPECT_EQ(Outcome::FailureIf(std::nullopt), Outcome::Done);
    const Outcome failed = Outcome::FailureIf("Cannot write x: it is a folder.");
    EXPECT_EQ(failed, Outcome::Failed);
    EXPECT_EQ(failed.reason, Outcome::Reason::Unspecified);
    EXPECT_EQ(failed.message, "Cannot write x: it is a folder.");
}

} // namespace
} // namespace tulo
