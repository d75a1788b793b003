// The engine's HTML as the window holds it: plain table tags with a visible
// border, every line ended by CR LF.
#pragma once

#include <QString>

#include <string_view>

// `html` with every "<table>", "<th>" and "<td>" (any letter case, no
// attributes) replaced by the same tag with a border style (tags with
// attributes stay), and every line break (CR LF, CR or LF) written as CR LF,
// the last line ended too: the whole-text form of a TLineList, made in one pass.
QString StyledHtmlText(std::u16string_view html);
