#pragma once
// Every account and login message as the player must see it, written out in full.

#include "recording_message_boxes.h"

#include <string>

namespace dovrix::testing {

inline const std::string kPlayWithoutAccount =
    "\r\n\r\nMake sure you have a working Internet connection and try\r\n"
    "again.  If this error still occurs, try again at a later time.\r\n\r\n"
    "In the meantime, you can still play Dovrix without an\r\n"
    "online account by clearing the Username and Password\r\n"
    "fields and then clicking the \"Continue...\" button.";

inline const ExpectedMessage kInvalidCredentials{
    "Dovrix -- Invalid Username or Password", MessageIcon::Exclamation,
    "The Username and/or Password that you entered\r\n"
    "do not match an existing online Dovrix account.\r\n\r\n"
    "If you do not already have an account, choose\r\n"
    "the \"Create a New Account\" option on your screen.\r\n\r\n"
    "Otherwise, re-enter your Username and Password and try again."};
inline const ExpectedMessage kInvalidStudent{
    "Dovrix -- Invalid Username or Password", MessageIcon::Exclamation,
    "The Username and/or Password that you entered\r\n"
    "do not match an existing active Halvern account.\r\n\r\n"
    "If you are not a current Halvern High School student,\r\n"
    "uncheck the \"Halvern Student\" box on your screen.\r\n\r\n"
    "Otherwise, re-enter your Username and Password and try again."};
inline const ExpectedMessage kErrorAccessing{
    "Dovrix -- Error Accessing Online Account", MessageIcon::Stop,
    "An error occurred while trying to\r\naccess your online Dovrix account." +
        kPlayWithoutAccount};
inline const ExpectedMessage kErrorCreating{
    "Dovrix -- Error Creating Online Account", MessageIcon::Stop,
    "An error occurred while trying to\r\ncreate your online Dovrix account." +
        kPlayWithoutAccount};
inline const ExpectedMessage kErrorSchoolServers{
    "Dovrix -- Error Accessing Halvern's Servers", MessageIcon::Stop,
    "An error occurred while trying to access\r\nHalvern High School's Dovrix servers." +
        kPlayWithoutAccount};
inline const ExpectedMessage kErrorUpdating{
    "Dovrix -- Error Updating Online Account", MessageIcon::Stop,
    "An error occurred while trying to\r\n"
    "update your online Dovrix account.\r\n\r\n"
    "This means that if you just beat a level, that data\r\n"
    "may not have been saved into your online account.\r\n\r\n"
    "In the meantime, you can keep playing Dovrix.  This program\r\n"
    "will try again to update your online account after you complete\r\n"
    "another game level, as well as when you quit the program."};
inline const ExpectedMessage kCheckTheBox{"Dovrix -- Halvern Students Should Check the Box Below",
                                          MessageIcon::Exclamation,
                                          "A period (.) is allowed in your Username only if\r\n"
                                          "you are a current Halvern High School student.\r\n\r\n"
                                          "If you are a Halvern student, check the \r\n"
                                          "\"Halvern Student\" box on your screen."};
inline const ExpectedMessage kMissingField{
    "Dovrix -- Missing Username or Password", MessageIcon::Exclamation,
    "If you are trying to create a new account or access an existing\r\n"
    "one, both the Username and Password fields must be filled in."};
inline const ExpectedMessage kNewOrExisting{
    "Dovrix -- New or Existing Account?", MessageIcon::Exclamation,
    "You need to indicate whether this is a\r\nNew Account or an Existing Account."};
inline const ExpectedMessage kWithoutAccount{
    "Dovrix -- Proceeding Without an Online Account", MessageIcon::Information,
    "Since you did not enter a Username and\r\nPassword, Dovrix will start with level 1."};
inline const ExpectedMessage kNameTaken{"Dovrix -- Username Already Taken",
                                        MessageIcon::Exclamation,
                                        "An online Dovrix account already exists\r\n"
                                        "with the Username that you have entered.\r\n\r\n"
                                        "If this is your account, choose the \"Login to\r\n"
                                        "an Existing Account\" option on your screen.\r\n\r\n"
                                        "Otherwise, choose a different Username and try again."};

} // namespace dovrix::testing
