#include "catalogue.h"
#include "level_completion.h"
#include "move_replay.h"
#include "recording_message_boxes.h"
#include "recording_play_services.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace dovrix {
namespace {

using testing::boxDifferences;
using testing::RecordingMessageBoxes;
using testing::RecordingPlayServices;

// One blue block below a blue dot, a wall above the dot: flicked up, the block stops on the
// dot and the level is solved in one move.
std::string oneMoveLevel(int par) {
    return std::to_string(par) + ",0,0,1,7,2,0,0,0,0,1,7,7,1,1,7,3,1,";
}
// A blue block and a red dot that nothing can cover.
const std::string kUnsolvable = "1,0,0,0,0,0,1,7,7,1,1,0,0,2,";

// Level `level` with its par, the one-move level; every other level unsolvable. Completing a
// level runs the completion with the recording effects.
struct CompletionFixture : PlayHost {
    explicit CompletionFixture(bool atSchool, int level = 5, int par = 3) {
        shared.levelCount = kCatalogueSize;
        for (auto& string : shared.levelStrings) {
            string = kUnsolvable;
        }
        shared.levelStrings[level] = oneMoveLevel(par);
        shared.atSchool = atSchool;
        shared.playerName = "player1";
        shared.levelReached = static_cast<int16_t>(level);
        // Whether the move timer still ran when each box opened.
        messages.whileOpen = [this] { timerRunningAtBox.push_back(play.state().tmrMoveEnabled); };
        int16_t number = static_cast<int16_t>(level);
        play.DisplayPuzzle(number);
    }
    void levelBeaten() override {
        ++beaten;
        if (CompleteLevel(play, shared, messages, effects)) {
            // What the play window does then: it closes.
            effects.calls.push_back("closePlayWindow");
            play.unload();
        }
    }
    void focusLevelScrollBar() override {}

    // Plays the solving move.
    void solve() {
        const PieceRef block = play.state().board.ref(Family::BlueBlock, 1);
        ASSERT_TRUE(playMove(play, block, Direction::Up).pressAccepted);
        ASSERT_EQ(beaten, 1);
    }

    SharedState shared;
    RecordingMessageBoxes messages;
    std::vector<bool> timerRunningAtBox;
    RecordingPlayServices effects;
    int beaten = 0;
    PlayScreen play{shared, *this, messages};
};

TEST(LevelCompletion, ResultAtOrAboveTheParShowsTheResultBox) {
    for (const auto& [atSchool, par] : {std::pair(false, 1), {true, 1}, {false, 0}, {true, 0}}) {
        const std::string parText = par == 0 ? "Unknown" : "1";
        SCOPED_TRACE(parText + (atSchool ? " at school" : " at home"));
        CompletionFixture f(atSchool, 5, par);
        const std::string before = f.shared.levelStrings[5];
        f.solve();
        EXPECT_EQ(boxDifferences(
                      f.messages.shown,
                      {{"Level Beaten", MessageIcon::Information,
                        "Congratulations, player1!\r\n\r\nYou have completed level 5."
                        "\r\n\r\n\r\nNumber of moves required to beat the level:  " +
                            parText + "\r\n\r\nNumber of moves you needed to beat the level:  1"}}),
                  "");
        EXPECT_EQ(f.timerRunningAtBox, std::vector<bool>{false});
        EXPECT_EQ(f.shared.levelStrings[5], before) << "no record, no par rewrite";
        EXPECT_EQ(f.shared.levelReached, 6);
        EXPECT_EQ(f.effects.calls,
                  std::vector<std::string>{atSchool ? "SaveProgress" : "UpdateAccount"});
    }
}

TEST(LevelCompletion, ARecordAtSchoolIsFiledNoticedAndUploadedWithoutAsking) {
    CompletionFixture f(true, 5, 3);
    f.solve();

    EXPECT_EQ(f.shared.levelStrings[5], oneMoveLevel(1));

    // The result box is not shown after a record.
    EXPECT_EQ(boxDifferences(
                  f.messages.shown,
                  {{"New Level Record -- Your Score Has Been Uploaded", MessageIcon::Information,
                    "Congratulations!   You were able to beat level 5 in \r\n"
                    "fewer moves than was previously thought possible.\r\n\r\n"
                    "Your score for level 5 will now be uploaded to Halvern's\r\n"
                    "servers to become the new \"moves required\" value that is\r\n"
                    "seen by others when they play Dovrix."}}),
              "");
    EXPECT_EQ(f.timerRunningAtBox, std::vector<bool>{false});

    // The file comes before the box, the upload after it; the progress follows.
    EXPECT_EQ(f.effects.calls,
              (std::vector<std::string>{"write Dovrix/NewPars/player1--0987-03-03-04-05-09.txt "
                                        "Level:  5\r\nMoves:  1\r\nPar:    3\r\n",
                                        "upload 5 1 3", "SaveProgress"}));
}

TEST(LevelCompletion, ARecordAtHomeIsUploadedOnlyWhenThePlayerAgrees) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        SCOPED_TRACE(answer == MessageAnswer::Yes ? "Yes" : "No");
        CompletionFixture f(false, 5, 3);
        f.messages.answers.push_back(answer);
        f.solve();

        EXPECT_EQ(
            boxDifferences(f.messages.shown,
                           {{"New Level Record -- May We Upload Your Score?", MessageIcon::Question,
                             "Congratulations!   You were able to beat level 5 in \r\n"
                             "fewer moves than was previously thought possible.\r\n\r\n"
                             "Would it be okay for us to upload your level 5 score\r\n"
                             "to Halvern's servers so that it can become the new \r\n"
                             "\"moves required\"  value that is seen by others when\r\n"
                             "they play Dovrix?  It will take just several seconds,\r\n"
                             "and no personal data will be uploaded.",
                             MessageButtons::YesNo}}),
            "");

        // No record file at home; the old par goes with the upload.
        EXPECT_EQ(f.effects.calls, (answer == MessageAnswer::Yes
                                        ? std::vector<std::string>{"upload 5 1 3", "UpdateAccount"}
                                        : std::vector<std::string>{"UpdateAccount"}));

        // The new par stays in the catalogue whatever the answer: building the level again
        // shows it.
        EXPECT_EQ(f.shared.levelStrings[5], oneMoveLevel(1));
        f.play.DisplayPuzzle(f.shared.currentLevel = 5);
        EXPECT_EQ(f.play.state().levelPar, 1);
    }
}

TEST(LevelCompletion, ProgressIsStoredOnlyWhenTheReachedLevelRises) {
    // A level below the reached one, beaten again: the other tests beat the reached level.
    for (const bool atSchool : {false, true}) {
        SCOPED_TRACE(atSchool ? "school" : "home");
        CompletionFixture f(atSchool, 5, 1);
        f.shared.levelReached = 9;
        f.solve();
        EXPECT_EQ(f.shared.levelReached, 9);
        EXPECT_TRUE(f.effects.calls.empty());
        EXPECT_EQ(f.shared.currentLevel, 6); // built, as the window's tests show
        EXPECT_TRUE(f.play.state().tmrMoveEnabled);
    }
}

TEST(LevelCompletion, TheLastLevelHandsOverToTheEndScreen) {
    for (const bool atSchool : {false, true}) {
        SCOPED_TRACE(atSchool ? "school" : "home");
        CompletionFixture f(atSchool, kCatalogueSize, 1);
        f.solve();
        EXPECT_EQ(f.effects.calls,
                  (std::vector<std::string>{atSchool ? "SaveProgress" : "UpdateAccount",
                                            "showEndScreen", "closePlayWindow"}));
        // Play stops on the last level, the solving move still counted.
        EXPECT_EQ(std::tuple(f.shared.levelReached, f.shared.currentLevel,
                             f.play.state().tmrMoveEnabled, f.play.state().loaded,
                             f.play.state().movesMade),
                  std::tuple(kCatalogueSize + 1, kCatalogueSize, false, false, 1));
    }
}

TEST(LevelCompletion, ALevelSolvedAsBuiltIsARecordOfNoMoves) {
    CompletionFixture f(false, 5, 3);
    // The blue block already stands on the blue dot.
    f.shared.levelStrings[5] = "4,0,0,0,0,0,1,7,7,1,1,7,7,1,";
    int16_t level = 5;
    f.play.DisplayPuzzle(level);
    f.messages.answers.push_back(MessageAnswer::Yes);
    f.play.tickMoveTimer();
    ASSERT_EQ(f.beaten, 1);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].title, "New Level Record -- May We Upload Your Score?");
    EXPECT_EQ(f.effects.calls, (std::vector<std::string>{"upload 5 0 4", "UpdateAccount"}));
    EXPECT_EQ(f.shared.levelStrings[5], "0,0,0,0,0,0,1,7,7,1,1,7,7,1,");
}

} // namespace
} // namespace dovrix
