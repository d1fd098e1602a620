#pragma once

#include <QLocale>

class QCoreApplication;

// Loads Qt's own German texts ("Ja", "Nein", "Abbrechen") for its standard buttons
// and dialogs. Returns false when the translation is not installed.
bool LoadGermanQtTranslation(QCoreApplication& app);

// The conventions numbers and dates are shown and parsed with: the system's, but
// German where the process has no real locale (C, POSIX), as the interface is German.
QLocale UserInterfaceLocale(const QLocale& system);
