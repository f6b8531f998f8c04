#include "account_messages.h"

namespace dovrix {

MessageBox invalidOnlineCredentialsMessage() {
    return {"Dovrix -- Invalid Username or Password",
            {"The Username and/or Password that you entered",
             "do not match an existing online Dovrix account.", "",
             "If you do not already have an account, choose",
             "the \"Create a New Account\" option on your screen.", "",
             "Otherwise, re-enter your Username and Password and try again."},
            MessageIcon::Exclamation,
            MessageButtons::Ok};
}

MessageBox errorAccessingOnlineAccountMessage() {
    return {"Dovrix -- Error Accessing Online Account",
            {"An error occurred while trying to", "access your online Dovrix account.", "",
             "Make sure you have a working Internet connection and try",
             "again.  If this error still occurs, try again at a later time.", "",
             "In the meantime, you can still play Dovrix without an",
             "online account by clearing the Username and Password",
             "fields and then clicking the \"Continue...\" button."},
            MessageIcon::Stop,
            MessageButtons::Ok};
}

MessageBox errorUpdatingOnlineAccountMessage() {
    return {"Dovrix -- Error Updating Online Account",
            {"An error occurred while trying to", "update your online Dovrix account.", "",
             "This means that if you just beat a level, that data",
             "may not have been saved into your online account.", "",
             "In the meantime, you can keep playing Dovrix.  This program",
             "will try again to update your online account after you complete",
             "another game level, as well as when you quit the program."},
            MessageIcon::Stop,
            MessageButtons::Ok};
}

} // namespace dovrix
