// Alerts and the routing of messages (errors, warnings, notes, questions).
#pragma once

#include "host/AS.h"

void ErrMessageUTF8(const char* text);
// True for yes. defaultAnswer: 1 yes, 2 no, other: none.
ASBool ConfirmMessageUTF8(const char* question, ASInt32 defaultAnswer);
