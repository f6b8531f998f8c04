#include "level_completion.h"

#include "catalogue.h"

#include <cstdio>

namespace dovrix {

namespace {

std::string twoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string fourDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", value);
    return text;
}

const std::string kQuote = "\"";

MessageBox recordNotice(int16_t level) {
    const std::string n = std::to_string(level);
    return MessageBox{
        "New Level Record -- Your Score Has Been Uploaded",
        {"Congratulations!   You were able to beat level " + n + " in ",
         "fewer moves than was previously thought possible.", "",
         "Your score for level " + n + " will now be uploaded to Halvern's",
         "servers to become the new " + kQuote + "moves required" + kQuote + " value that is",
         "seen by others when they play Dovrix."},
        MessageIcon::Information,
        MessageButtons::Ok};
}

MessageBox uploadQuestion(int16_t level) {
    const std::string n = std::to_string(level);
    return MessageBox{"New Level Record -- May We Upload Your Score?",
                      {"Congratulations!   You were able to beat level " + n + " in ",
                       "fewer moves than was previously thought possible.", "",
                       "Would it be okay for us to upload your level " + n + " score",
                       "to Halvern's servers so that it can become the new ",
                       kQuote + "moves required" + kQuote + "  value that is seen by others when",
                       "they play Dovrix?  It will take just several seconds,",
                       "and no personal data will be uploaded."},
                      MessageIcon::Question,
                      MessageButtons::YesNo};
}

MessageBox resultBox(const std::string& playerName, int16_t level, const std::string& parText,
                     int32_t moves) {
    return MessageBox{"Level Beaten",
                      {"Congratulations, " + playerName + "!", "",
                       "You have completed level " + std::to_string(level) + ".", "", "",
                       "Number of moves required to beat the level:  " + parText, "",
                       "Number of moves you needed to beat the level:  " + std::to_string(moves)},
                      MessageIcon::Information,
                      MessageButtons::Ok};
}

// The progress goes to the progress file and the account at school, to the account at home.
void storeProgress(const SharedState& shared, PlayServices& services) {
    if (shared.atSchool) {
        services.SaveProgress();
    } else {
        services.UpdateAccount();
    }
}

} // namespace

std::string newParRecordPath(const std::string& playerName, const LocalTime& time) {
    return "Dovrix/NewPars/" + playerName + "--" + fourDigits(time.year) + "-" +
           twoDigits(time.month) + "-" + twoDigits(time.day) + "-" + twoDigits(time.hour) + "-" +
           twoDigits(time.minute) + "-" + twoDigits(time.second) + ".txt";
}

std::string newParRecordText(int16_t level, int32_t moves, int16_t oldPar) {
    return "Level:  " + std::to_string(level) + "\r\n" + "Moves:  " + std::to_string(moves) +
           "\r\n" + "Par:    " + std::to_string(oldPar) + "\r\n";
}

bool CompleteLevel(PlayScreen& play, SharedState& shared, MessageBoxService& messages,
                   PlayServices& services) {
    play.stopMoveTimer();

    PlayWindowState& s = play.state();
    const int16_t level = shared.currentLevel;
    const int32_t moves = s.movesMade;
    const int16_t par = s.levelPar;

    if (moves < par) {
        // A new record. An unknown par (0) never gets here.
        if (shared.atSchool) {
            services.writeRecordFile(newParRecordPath(shared.playerName, services.localTime()),
                                    newParRecordText(level, moves, par));
        }
        // The catalogue keeps the new par for the rest of the run, whatever the answer below.
        rewriteCataloguePar(shared, level, std::to_string(moves));
        if (shared.atSchool) {
            messages.show(recordNotice(level));
        }
        MessageAnswer uploadAnswer{0};
        if (!shared.atSchool) {
            uploadAnswer = messages.show(uploadQuestion(level));
        }
        if (uploadAnswer == MessageAnswer::Yes || shared.atSchool) {
            services.uploadPar(level, moves, par);
        }
    } else {
        const std::string parText = par == 0 ? "Unknown" : std::to_string(par);
        messages.show(resultBox(shared.playerName, level, parText, moves));
    }

    if (level >= shared.levelCount) {
        shared.levelReached = static_cast<int16_t>(shared.levelCount + 1);
        storeProgress(shared, services);
        services.showEndScreen();
        return true; // the move timer stays stopped
    }
    s.selectedBlock = s.board.blank();
    shared.currentLevel = static_cast<int16_t>(level + 1);
    if (shared.levelReached < shared.currentLevel) {
        shared.levelReached = shared.currentLevel;
        storeProgress(shared, services);
    }
    play.DisplayPuzzle(shared.currentLevel);
    return false;
}

} // namespace dovrix
