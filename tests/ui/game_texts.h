#pragma once
// The rules as the start window shows them; the help box shows them too, with single spaces
// after a sentence and its own last line.

#include <string>

namespace dovrix::testing {

inline const std::string kStartWindowRules =
    "The goal of Dovrix is to move blocks so that every dot is over a block of the same color.  "
    "To move a block, press and hold a mouse button on the block to be moved, drag the mouse off "
    "the block in the desired direction, and then release the mouse button.  The block will move "
    "until it hits a wall or another block (or a patch or a pit).  Only one block can be moved "
    "at a time.\r\n\r\n"
    "Some of the game levels contain special squares known as patches and pits.  If you move a "
    "block onto a patch, it will stop moving until you move it off the patch.  But if a block "
    "runs into a pit, it will disappear forever.  Once you have successfully completed a level, "
    "the next level will appear, and every time you play the game, the computer will always "
    "remember which levels you have previously beaten.  There are 100 levels.  Good luck!";

} // namespace dovrix::testing
