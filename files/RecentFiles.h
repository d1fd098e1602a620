#pragma once

#include <QString>

// The desktop's list of recently used files (freedesktop's recently-used.xbel in
// $XDG_DATA_HOME, normally ~/.local/share), which file managers and desktop search
// show. Opened and saved projects are recorded there.

QString RecentFilesPath();

// Adds file (or renews its entry) as a Zeitkant project used now. A list that
// cannot be read as XBEL is left as it is; failures are not reported, the list is
// a convenience.
void RecordRecentlyUsed(const QString& file);
