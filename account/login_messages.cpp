#include "login_messages.h"

namespace dovrix {

namespace {

// The closing advice of both error boxes: playing on without an account.
MessageBox errorBox(std::string title, std::string firstLine, std::string secondLine) {
    return MessageBox{std::move(title),
                      {std::move(firstLine), std::move(secondLine), "",
                       "Make sure you have a working Internet connection and try",
                       "again.  If this error still occurs, try again at a later time.", "",
                       "In the meantime, you can still play Dovrix without an",
                       "online account by clearing the Username and Password",
                       "fields and then clicking the \"Continue...\" button."},
                      MessageIcon::Stop};
}

} // namespace

MessageBox studentsShouldCheckTheBoxMessage() {
    return MessageBox{"Dovrix -- Halvern Students Should Check the Box Below",
                      {"A period (.) is allowed in your Username only if",
                       "you are a current Halvern High School student.", "",
                       "If you are a Halvern student, check the ",
                       "\"Halvern Student\" box on your screen."},
                      MessageIcon::Exclamation};
}

MessageBox missingUsernameOrPasswordMessage() {
    return MessageBox{"Dovrix -- Missing Username or Password",
                      {"If you are trying to create a new account or access an existing",
                       "one, both the Username and Password fields must be filled in."},
                      MessageIcon::Exclamation};
}

MessageBox newOrExistingAccountMessage() {
    return MessageBox{
        "Dovrix -- New or Existing Account?",
        {"You need to indicate whether this is a", "New Account or an Existing Account."},
        MessageIcon::Exclamation};
}

MessageBox proceedingWithoutAccountMessage() {
    return MessageBox{
        "Dovrix -- Proceeding Without an Online Account",
        {"Since you did not enter a Username and", "Password, Dovrix will start with level 1."},
        MessageIcon::Information};
}

MessageBox usernameTakenMessage() {
    return MessageBox{"Dovrix -- Username Already Taken",
                      {"An online Dovrix account already exists",
                       "with the Username that you have entered.", "",
                       "If this is your account, choose the \"Login to",
                       "an Existing Account\" option on your screen.", "",
                       "Otherwise, choose a different Username and try again."},
                      MessageIcon::Exclamation};
}

MessageBox errorCreatingAccountMessage() {
    return errorBox("Dovrix -- Error Creating Online Account", "An error occurred while trying to",
                    "create your online Dovrix account.");
}

MessageBox errorAccessingSchoolServersMessage() {
    return errorBox("Dovrix -- Error Accessing Halvern's Servers",
                    "An error occurred while trying to access",
                    "Halvern High School's Dovrix servers.");
}

MessageBox invalidStudentCredentialsMessage() {
    return MessageBox{"Dovrix -- Invalid Username or Password",
                      {"The Username and/or Password that you entered",
                       "do not match an existing active Halvern account.", "",
                       "If you are not a current Halvern High School student,",
                       "uncheck the \"Halvern Student\" box on your screen.", "",
                       "Otherwise, re-enter your Username and Password and try again."},
                      MessageIcon::Exclamation};
}

} // namespace dovrix
