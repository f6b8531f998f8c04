#pragma once
// Modal message boxes, as the rules ask for them. The window layer shows them; tests record
// them and answer.

#include <cstdint>
#include <string>
#include <vector>

namespace dovrix {

enum class MessageIcon { None, Exclamation, Information, Stop, Question };
enum class MessageButtons { Ok, YesNo };
// The values are those the game stores for an answer (6 Yes, 7 No).
enum class MessageAnswer : int16_t { Ok = 1, Yes = 6, No = 7 };

struct MessageBox {
    std::string title;
    std::vector<std::string> lines; // joined by carriage return + line feed
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;

    std::string text() const {
        std::string joined;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                joined += "\r\n";
            }
            joined += lines[i];
        }
        return joined;
    }
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows the box and returns when the player has closed it.
    virtual MessageAnswer show(const MessageBox& box) = 0;
};

} // namespace dovrix
