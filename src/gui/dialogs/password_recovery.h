// The password recovery mail: sent through the program's mail settings with a
// progress window that can cancel it; the outcome shows as a balloon at the
// recovery button (or the window when the caller has none).
#pragma once

#include <QWidget>
#include <memory>

#include "store/ports.h"

namespace tallyvane::gui {

struct GuiContext;

// The program's SMTP transport with a cancellable progress window over
// `parent`; with `shared`, the transfer reports to the caller's progress.
[[nodiscard]] std::unique_ptr<store::MailTransport> MakeMailTransport(GuiContext& context, QWidget* parent,
                                                                      store::Progress* shared = nullptr);

// Sends the stored password to the stored address; `mail` overrides the
// program's transport (tests use their own).
store::MailOutcome SendRecoveryMail(GuiContext& context, QWidget* parent, store::MailTransport* mail = nullptr);

}  // namespace tallyvane::gui
