// The maker's web host (help, update check, feedback and translation pages).
#pragma once

#include <QString>

// GLYPHMILL_WEB_HOST from the environment when set, otherwise the host the
// program was built with. May carry a port ("127.0.0.1:8080").
QString WebHost();

// False while the host is the placeholder the program is built with by default
// ("glyphmill.invalid"), which names no real site.
bool WebHostIsReal();
