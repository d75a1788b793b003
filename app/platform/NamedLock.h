// A lock named across the whole system, held until the process ends.
#pragma once

#include <QString>

// Takes the lock `name` without waiting (a file lock in the user's runtime
// folder) and keeps it for the life of the process. Returns whether it was taken.
bool TakeNamedLock(const QString& name);
