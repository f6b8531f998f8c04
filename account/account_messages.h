#pragma once
// The message boxes of the account requests.

#include "message_box.h"

namespace dovrix {

// LoginAccount: the server rejected the user name and password. Shown at school too.
MessageBox invalidOnlineCredentialsMessage();
// LoginAccount: the request failed. Not shown at school.
MessageBox errorAccessingOnlineAccountMessage();
// UpdateAccount: the update failed. Not shown at school.
MessageBox errorUpdatingOnlineAccountMessage();

} // namespace dovrix
