#pragma once
// A message-box service for tests: records every box and answers from a queue (OK, or the
// first queued answer for a Yes/No question). A test can act while a box is open. Also the
// boxes a test expects, and how those shown differ from them.

#include "message_box.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace dovrix::testing {

class RecordingMessageBoxes : public MessageBoxService {
public:
    MessageAnswer show(const MessageBox& box) override {
        shown.push_back(box);
        if (whileOpen) {
            whileOpen();
        }
        if (box.buttons != MessageButtons::YesNo) {
            return MessageAnswer::Ok;
        }
        const MessageAnswer answer = answers.empty() ? MessageAnswer::No : answers.front();
        answers.erase(answers.begin(), answers.begin() + (answers.empty() ? 0 : 1));
        return answer;
    }

    std::vector<MessageBox> shown;
    std::deque<MessageAnswer> answers; // for Yes/No questions
    std::function<void()> whileOpen;   // runs while a box is "open", before it is answered
};

struct ExpectedMessage {
    std::string title; // empty: no box
    MessageIcon icon = MessageIcon::None;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
};

// How the boxes shown differ from those expected, in order; empty when they are the same.
inline std::string boxDifferences(const std::vector<MessageBox>& shown,
                                  const std::vector<ExpectedMessage>& expected) {
    std::string differences;
    for (std::size_t i = 0; i < std::max(shown.size(), expected.size()); ++i) {
        const MessageBox* box = i < shown.size() ? &shown[i] : nullptr;
        const ExpectedMessage* want = i < expected.size() ? &expected[i] : nullptr;
        if (box && want && box->title == want->title && box->icon == want->icon &&
            box->buttons == want->buttons && box->text() == want->text) {
            continue;
        }
        differences += "box " + std::to_string(i + 1) +
                       " shown: " + (box ? box->title + "\n" + box->text() : "none") +
                       "\nexpected: " + (want ? want->title + "\n" + want->text : "none") + "\n";
    }
    return differences;
}

} // namespace dovrix::testing
