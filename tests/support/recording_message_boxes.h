#pragma once
// A message-box service for tests: records every box and answers from a queue (OK, or the
// first queued answer for a Yes/No question). A test can act while a box is open.

#include "message_box.h"

#include <deque>
#include <functional>
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

} // namespace dovrix::testing
