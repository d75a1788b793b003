// The one place where an error of a command is shown to the user.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace ErrorHandler {

// Shows `message` in a message box with the critical icon; the program goes on.
void Show(const QString& message);

// Runs `command`; an exception it raises is shown with Show and goes no further.
void Run(const std::function<void()>& command);

// Shows the text of the exception being handled (call inside a catch block).
void ShowCurrentException();

}  // namespace ErrorHandler
