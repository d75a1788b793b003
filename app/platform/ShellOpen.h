// Which addresses may be handed to the desktop to open.
#pragma once

#include <QUrl>

// True for an http:// or https:// address with a host: what may be handed to
// the browser when the address comes from a document or a network answer (a
// local file or another scheme could start a program).
bool IsWebAddress(const QUrl& url);
