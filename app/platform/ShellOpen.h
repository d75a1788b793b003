// Hands an address to the desktop to open (the user's browser, mail program...).
#pragma once

#include <QUrl>

#include <functional>

// Opens `url` with the desktop's default handler; returns whether it was handed on.
bool OpenUrl(const QUrl& url);

// Lets a test see the addresses instead of opening them; an empty hook restores
// the desktop handler.
void SetOpenUrlHook(std::function<bool(const QUrl&)> hook);
