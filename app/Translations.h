#pragma once

class QCoreApplication;

// Loads Qt's own German texts ("Ja", "Nein", "Abbrechen") for its standard buttons
// and dialogs. Returns false when the translation is not installed.
bool LoadGermanQtTranslation(QCoreApplication& app);
