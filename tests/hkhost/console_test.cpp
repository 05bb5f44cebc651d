// The Esc poll against keys fed into the console input: a real console on
// Windows (the test runs on a terminal), a pipe on standard input elsewhere.
#include "platform/console.h"

#include <gtest/gtest.h>

using namespace Platform;

namespace {

class ConsolePoll : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenConsoleFeed())
            << "no console input to feed (on Windows, run on a terminal)";
        while (EscapePressed()) {
        }
    }
    static void Press(const std::string& keys) {
        for (const char key : keys)
            ASSERT_TRUE(FeedConsoleKey(key == '\x1b', key));
    }
};

TEST_F(ConsolePoll, NothingWaitingIsNoEscape) {
    EXPECT_FALSE(EscapePressed());
}

TEST_F(ConsolePoll, OtherKeysAreConsumedWithoutEffect) {
    Press("abc 1");
    EXPECT_FALSE(EscapePressed());
    Press("\x1b");
    EXPECT_TRUE(EscapePressed()) << "the keys before were taken out of the queue";
}

TEST_F(ConsolePoll, KeysBehindTheFirstEscapeWaitForTheNextPoll) {
    Press("q\x1bw\x1b"
          "e");
    EXPECT_TRUE(EscapePressed());
    EXPECT_TRUE(EscapePressed());
    EXPECT_FALSE(EscapePressed());
    EXPECT_FALSE(EscapePressed());
}

#ifndef _WIN32
// A terminal sends other keys as escape sequences: none of them is Escape.
TEST_F(ConsolePoll, EscapeSequencesOfOtherKeysAreConsumedWhole) {
    Press("\x1b[A");    // cursor up
    Press("\x1b[15~");  // F5
    Press("\x1b[1;5C"); // Ctrl+Right
    Press("\x1bOP");    // F1
    EXPECT_FALSE(EscapePressed());
    Press("\x1b[A\x1b\x1bOQ");
    EXPECT_TRUE(EscapePressed()) << "the lone Escape after the sequence";
    EXPECT_FALSE(EscapePressed()) << "the F2 sequence behind it";
    Press("\x1b\x1b");
    EXPECT_TRUE(EscapePressed());
    EXPECT_TRUE(EscapePressed());
    EXPECT_FALSE(EscapePressed());
}
#endif

} // namespace
