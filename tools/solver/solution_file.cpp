#include "solution_file.h"

#include "catalogue.h"

#include <cctype>

namespace dovrix::solver {

Expected<SolutionBook> readSolutions(std::string_view text) {
    SolutionBook book;
    for (std::string_view line : levelLines(text)) {
        std::size_t digits = 0;
        while (digits < line.size() && digits < 4 &&
               std::isdigit(static_cast<unsigned char>(line[digits]))) {
            ++digits;
        }
        if (digits == 0 || (digits < line.size() && line[digits] != ' ')) {
            return Error{"a solution line must start with its level number: " + std::string(line)};
        }
        const int level = std::stoi(std::string(line.substr(0, digits)));
        const auto moves = parseMoveList(line.substr(digits));
        if (!moves) {
            return Error{"level " + std::to_string(level) + " has a malformed move"};
        }
        if (!book.emplace(level, *moves).second) {
            return Error{"level " + std::to_string(level) + " is listed twice"};
        }
    }
    return book;
}

std::string formatSolutions(const SolutionBook& book) {
    std::string text = "# One shortest solution per level: the level number, then its moves.\n"
                       "# Written by dovrix-levelgen; checked by dovrix-solve verify.\n";
    for (const auto& [level, moves] : book) {
        text += std::to_string(level);
        for (const MoveNotation& move : moves) {
            text += ' ';
            text += formatMove(move);
        }
        text += '\n';
    }
    return text;
}

} // namespace dovrix::solver
