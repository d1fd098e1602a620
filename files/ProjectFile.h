#pragma once

#include "Document.h"
#include "Errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

// The ".zkt" project file: little-endian, no header. Both outlines in pre-order
// with the 144-byte task and 104-byte resource images, their texts as counted
// UTF-16LE strings, the tasks' resource lists, ViewStart and the expanded state
// of every node.

// Empties both outlines (running the deletion handling) and then both stores.
// FileName, ViewStart and the labels are left alone.
void ClearProject(TDocument& doc);

// Reads the whole file into bytes and closes it again. False when it cannot be
// opened (missing, inaccessible, a folder); a failing read throws EProjectFile
// with IoErrorText of the system's error number.
// "File not found", "File access denied", "Disk full", ... or "I/O error <number>".
QString IoErrorText(int errorNo);

bool ReadFileBytes(const QString& name, QByteArray& bytes);

// Builds the project in bytes into doc, whose outlines and stores must be empty.
// Nodes and records are made through VorgEinf/VorgEinfChild/ArbEinf/ArbEinfChild;
// nothing is recalculated. Throws EProjectFile at the first fault: the nodes whose
// entries were read stay, every record stays whole and safe to edit, save and
// clear, and the Id floors stay above every Id read.
void ReadProject(TDocument& doc, const QByteArray& bytes);
// The same, straight from the file: false when it cannot be opened, EProjectFile
// also for a failing read. Only a window of the file is in memory at a time.
bool ReadProjectFile(TDocument& doc, const QString& name);

// The file image of the document. Runtime slots, padding and reserved bytes are zero.
QByteArray WriteProject(const TDocument& doc);

// The file image built a part at a time, so that a large project's image never
// holds up the event loop for long. Between the parts the document must not
// change; whoever changes it starts a new builder.
class TImageBuilder
{
public:
    explicit TImageBuilder(const TDocument& doc);
    ~TImageBuilder();
    TImageBuilder(const TImageBuilder&) = delete;
    TImageBuilder& operator=(const TImageBuilder&) = delete;

    // Adds up to entries more outline entries; true once the image is complete.
    bool Build(int64_t entries);
    // The image, once complete.
    QByteArray Take();

private:
    struct TState;
    std::unique_ptr<TState> State;
    bool Complete = false;
};

// Writes the document to name through a temporary file that replaces the old one
// only when complete and on disk; the old file stays as "<name>~". True only when
// the new file and its name are on disk; on failure the old file is as it was,
// and error holds the reason.
bool SaveProjectFile(const TDocument& doc, const QString& name, QString& error);
