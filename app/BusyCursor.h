// The busy cursor of long commands, and the seconds text they show.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QString>

// Shows the busy cursor for the whole application for as long as it lives.
class TBusyCursor {
 public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// A time in seconds with three decimals and the user's decimal separator
// ("1.234"); the milliseconds wrap as a 32-bit tick count does.
inline QString SecondsText(quint32 milliseconds) { return QLocale().toString(milliseconds / 1000.0, 'f', 3); }

// The time `clock` has run, as SecondsText shows it.
inline QString SecondsText(const QElapsedTimer& clock) { return SecondsText(quint32(clock.elapsed())); }
