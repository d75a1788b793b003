// Where two versions of a text differ: the part between their common
// beginning and their common end. The HTML pane and the preview both replace
// only that part.
#pragma once

#include <QByteArrayView>
#include <QStringView>

struct TTextChange {
  qsizetype Start = 0;  // the length of the common beginning
  qsizetype Kept = 0;   // the length of the common end; it never overlaps the beginning
};

// The change from `before` to `after`, in UTF-16 code units; the common parts
// hold whole characters (no half of a surrogate pair).
TTextChange ChangeBetween(QStringView before, QStringView after);

// The change from `before` to `after`, in bytes of UTF-8; the common parts
// hold whole characters.
TTextChange ChangeBetween(QByteArrayView before, QByteArrayView after);
