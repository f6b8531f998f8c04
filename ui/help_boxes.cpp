#include "help_boxes.h"

#include <string>

namespace dovrix {

void ShowDirections(MessageBoxService& messages, int16_t levelCount) {
    messages.show(MessageBox{
        "Dovrix Help",
        {"The goal of Dovrix is to move blocks so that every dot is over a block of the same "
         "color. To move a block, press and hold a mouse button on the block to be moved, drag "
         "the mouse off the block in the desired direction, and then release the mouse button. "
         "The block will move until it hits a wall or another block (or a patch or a pit). Only "
         "one block can be moved at a time.",
         "",
         "Some of the game levels contain special squares known as patches and pits. If you "
         "move a block onto a patch, it will stop moving until you move it off the patch. But if "
         "a block runs into a pit, it will disappear forever. Once you have successfully "
         "completed a level, the next level will appear, and every time you play the game, the "
         "computer will always remember which levels you have previously beaten. There are a "
         "total of " +
             std::to_string(levelCount) + " levels."},
        MessageIcon::None,
        MessageButtons::Ok});
}

void ShowAboutBox(MessageBoxService& messages) {
    messages.show(MessageBox{
        "About Dovrix",
        {"This game was made by Maelor Pelvaro in late 2008 and early 2009 after he had been "
         "programming for only one semester. It is a fun strategy game that is sometimes found "
         "in other programs as a little mini-game. In the summer and fall of 2009, after gaining "
         "more programming experience, Maelor greatly simplified the program code, created lots "
         "of additional game levels, and added new features to both the levels and the program."
         "  Further program enhancements were then made by Ostren Amberlan, who also wrote the "
         "code for managing the online user accounts and the level data storage and retrieval."},
        MessageIcon::None,
        MessageButtons::Ok});
}

} // namespace dovrix
