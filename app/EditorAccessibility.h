// The editors' accessibility. QScintilla's own accessible editor counts the
// characters from the start of the text on every paint, which a long document
// pays for with every key. While no assistive technology is active, an editor
// is described by a plain accessible (its role and name) instead; once one
// becomes active, the plain ones are dropped and QScintilla's is made on the
// next question, so a screen reader reads the text as before.
#pragma once

#include <functional>

class QObject;

// Installs the plain description ahead of QScintilla's; once per program,
// after the first editor was made (QScintilla installs its own then).
void UsePlainEditorAccessibilityWhileInactive();

// Whether assistive technology is active now.
bool AssistiveTechnologyActive();

// Calls `onChange` with the new state whenever assistive technology starts or
// stops, for as long as `editor` lives.
void FollowAssistiveTechnology(QObject* editor, std::function<void(bool active)> onChange);
