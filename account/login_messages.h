#pragma once
// The login window's message boxes: the checks of the typed user name and password, and the
// replies of the create and district-check requests.

#include "message_box.h"

namespace dovrix {

MessageBox studentsShouldCheckTheBoxMessage();
MessageBox missingUsernameOrPasswordMessage();
MessageBox newOrExistingAccountMessage();
MessageBox proceedingWithoutAccountMessage();
MessageBox usernameTakenMessage();
MessageBox errorCreatingAccountMessage();
MessageBox errorAccessingSchoolServersMessage();
// The district check rejected the student's school user name or password.
MessageBox invalidStudentCredentialsMessage();

} // namespace dovrix
