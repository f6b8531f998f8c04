#pragma once
// The account messages as the player must see them, written out in full.

#include "message_box.h"

#include <string>

namespace dovrix::testing {

struct ExpectedMessage {
    std::string title;
    MessageIcon icon;
    std::string text;
};

inline const ExpectedMessage kInvalidCredentials{
    "Dovrix -- Invalid Username or Password", MessageIcon::Exclamation,
    "The Username and/or Password that you entered\r\n"
    "do not match an existing online Dovrix account.\r\n"
    "\r\n"
    "If you do not already have an account, choose\r\n"
    "the \"Create a New Account\" option on your screen.\r\n"
    "\r\n"
    "Otherwise, re-enter your Username and Password and try again."};

inline const ExpectedMessage kErrorAccessing{
    "Dovrix -- Error Accessing Online Account", MessageIcon::Stop,
    "An error occurred while trying to\r\n"
    "access your online Dovrix account.\r\n"
    "\r\n"
    "Make sure you have a working Internet connection and try\r\n"
    "again.  If this error still occurs, try again at a later time.\r\n"
    "\r\n"
    "In the meantime, you can still play Dovrix without an\r\n"
    "online account by clearing the Username and Password\r\n"
    "fields and then clicking the \"Continue...\" button."};

inline const ExpectedMessage kErrorUpdating{
    "Dovrix -- Error Updating Online Account", MessageIcon::Stop,
    "An error occurred while trying to\r\n"
    "update your online Dovrix account.\r\n"
    "\r\n"
    "This means that if you just beat a level, that data\r\n"
    "may not have been saved into your online account.\r\n"
    "\r\n"
    "In the meantime, you can keep playing Dovrix.  This program\r\n"
    "will try again to update your online account after you complete\r\n"
    "another game level, as well as when you quit the program."};

inline bool isMessage(const MessageBox& box, const ExpectedMessage& expected) {
    return box.title == expected.title && box.icon == expected.icon &&
           box.buttons == MessageButtons::Ok && box.text() == expected.text;
}

} // namespace dovrix::testing
