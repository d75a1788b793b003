// Gives the HTML's plain table tags a visible border.
#pragma once

#include <QString>

// Replaces every "<table>", "<th>" and "<td>" (any letter case, no attributes),
// in that order, by the same tag with a border style. Tags with attributes stay.
QString StyleTables(const QString& html);
