#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

// Writing files so that a crash or a power loss leaves either the old or the new
// content in full: through a temporary file in the same folder, on disk (fsync)
// before it takes the name, and the folder's entry on disk after.

// Puts what was written to file on disk; false with the reason in error.
bool SyncFile(QFileDevice& file, QString& error);
// Puts the folder entry of file (its latest rename) on disk.
bool SyncFolderOf(const QString& file, QString& error);
// Keeps the present content of name as "<name>~" by a second name for the same
// file, so that name itself stays in place until the new content replaces it;
// where the file system has no such names, by renaming it. Nothing to do when
// name does not exist.
bool KeepPreviousVersion(const QString& name, QString& error);
// The whole of bytes under name, durably; the previous file under name stays
// whole until then.
bool WriteFileDurably(const QString& name, const QByteArray& bytes, QString& error);
