// Who the program is to the desktop: its name, its maker, its desktop entry.
#pragma once

#include <QString>

// The application's title; the caption of the general error box.
QString ApplicationTitle();

// Names the application, its organisation and its desktop entry. No display
// name is set, so that the desktop shows every window's caption unchanged.
void SetApplicationIdentity();
