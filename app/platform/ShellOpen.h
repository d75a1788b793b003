// Hands an address to the desktop to open (the user's browser, mail program...).
#pragma once

#include <QUrl>

#include <functional>

// True for an http:// or https:// address with a host: what may be handed to
// the browser when the address comes from a document or a network answer (a
// local file or another scheme could start a program).
bool IsWebAddress(const QUrl& url);

// Opens `url` with the desktop's default handler; returns whether it was handed on.
bool OpenUrl(const QUrl& url);

// Lets a test see the addresses instead of opening them; an empty hook restores
// the desktop handler.
void SetOpenUrlHook(std::function<bool(const QUrl&)> hook);
