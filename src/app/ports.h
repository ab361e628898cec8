// Ports of the application shell. The mail transport lives with the other
// ports in the store module, since reports hand mail to it too.
#pragma once

#include "store/ports.h"

namespace tallyvane::app {

using store::MailMessage;
using store::MailOutcome;
using store::MailTransport;

}  // namespace tallyvane::app
