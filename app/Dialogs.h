// Message boxes, the error box and the save-file dialog as the window shows them.
#pragma once

#include <QMessageBox>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "window/Controls.h"

namespace qv::app {

QString ToQString(std::string_view s);

// A message box without owner window, plain text, exact text and title.
// The caller shows it (exec for a modal answer, show for a non-modal one).
QMessageBox* NewMessageBox(std::string_view text, std::string_view title, MsgButtons buttons,
                           MsgIcon icon);
MsgResult ToMsgResult(int standardButton);

// The application's error box: caption "Quorvex v2.0.25", error icon, OK.
void ShowErrorBox(std::string_view message);

// "desc|pattern|desc|pattern" (patterns separated by ';') -> "desc (pattern) ;; ...".
QString QtFileFilter(std::string_view filter);

}  // namespace qv::app
