#pragma once
// The help box ("How to Play") and the About box, shown from the play window's Help menu; the
// About box also from the start window.

#include "message_box.h"

#include <cstdint>

namespace dovrix {

// The rules of the game in a box titled "Dovrix Help", naming the number of levels.
void ShowDirections(MessageBoxService& messages, int16_t levelCount);
// Who made the game, in a box titled "About Dovrix".
void ShowAboutBox(MessageBoxService& messages);

} // namespace dovrix
