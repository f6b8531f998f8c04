// dovrix-solve replay: plays moves through the tick engine exactly as a player makes them and
// prints the result as one JSON object.

#include "commands.h"
#include "headless_game.h"
#include "move_replay.h"

#include <iostream>
#include <sstream>

namespace dovrix::tool {

namespace {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

} // namespace

int runReplay(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return usageError("replay needs a level and moves");
    }
    const auto level = resolveLevel(arguments[0]);
    if (!level) {
        return kExitUsage;
    }
    std::vector<MoveNotation> moves;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const auto move = parseMove(arguments[i]);
        if (!move) {
            return usageError("'" + arguments[i] + "' is not a move (such as Blue1U)");
        }
        moves.push_back(*move);
    }

    HeadlessGame game(level->levelString);
    PlayScreen& play = game.play();
    std::ostringstream out;
    out << "{\"level\":"
        << (level->catalogueNumber ? std::to_string(*level->catalogueNumber)
                                   : jsonString(level->levelString))
        << ",\"moves\":[";
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const auto block = findBlock(play.state().board, moves[i]);
        if (!block) {
            return usageError("the move " + formatMove(moves[i]) + " names no block on the board");
        }
        const ReplayedMove result = playMove(play, *block, moves[i].direction);
        out << (i > 0 ? "," : "") << "{\"move\":" << jsonString(formatMove(moves[i]))
            << ",\"counted\":" << (result.counted ? "true" : "false")
            << ",\"ticks\":" << result.ticks << "}";
    }
    out << "],\"movesMade\":" << play.state().movesMade
        << ",\"solved\":" << (play.allDotsCoveredNow() ? "true" : "false") << ",\"blocks\":[";
    bool first = true;
    const Board& board = play.state().board;
    for (Colour colour : kColoursInCodeOrder) {
        const Family family = blockFamily(colour);
        for (int16_t i = 1; i < board.count(family); ++i) {
            const Piece& piece = board.element(family, i);
            out << (first ? "" : ",") << "{\"name\":\"" << colourName(colour) << i
                << "\",\"left\":" << piece.rect.left << ",\"top\":" << piece.rect.top
                << ",\"visible\":" << (piece.visible ? "true" : "false") << "}";
            first = false;
        }
    }
    out << "]}";
    std::cout << out.str() << '\n';
    return kExitDone;
}

} // namespace dovrix::tool
