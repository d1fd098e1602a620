#pragma once

#include "Document.h"
#include "ProjectFile.h"

#include <QDateTime>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QWidget;
class TModal;

// Recovery copies: while the document has unsaved changes, a complete image of it
// lies in the user's state folder, so that a program that is killed or loses its
// power loses nothing. Each running program has its own copy, guarded by a lock
// file; a copy whose program no longer runs is offered at the next start.

// $XDG_STATE_HOME/Zeitkant/recovery, normally ~/.local/state/Zeitkant/recovery.
QString RecoveryFolder();

// The delay between a change and the copy that follows it: ZEITKANT_AUTOSAVE_SECONDS
// seconds when that is a positive whole number, else 15.
int RecoveryDelayMs();

// What a copy's record holds beside the image.
struct TRecoveryRecord
{
    QString FileName; // empty when the document was untitled
    QDateTime Time;
    TLabelTexts VorgangLabels;
    TLabelTexts ArbeiterLabels;
};

QByteArray RecordText(const TRecoveryRecord& record);
// False when the text is no record.
bool ParseRecord(const QByteArray& text, TRecoveryRecord& record);
TRecoveryRecord RecordOf(const TDocument& doc, const QDateTime& time);

// Writes the copies on a thread of its own; the newest job replaces one not yet
// begun. The model never leaves the user-interface thread: the writer gets bytes.
class TRecoveryWriter
{
public:
    TRecoveryWriter();
    ~TRecoveryWriter(); // finishes the job at hand and the one waiting
    TRecoveryWriter(const TRecoveryWriter&) = delete;
    TRecoveryWriter& operator=(const TRecoveryWriter&) = delete;

    // Writes the image, then the record, each durably, under base + ".zkt" / ".ini".
    void Write(const QString& base, QByteArray image, QByteArray record);
    // Removes both files.
    void Remove(const QString& base);
    // Returns when no job is waiting or running.
    void Wait();

private:
    struct TJob
    {
        QString Base;
        QByteArray Image;
        QByteArray Record;
        bool Remove;
    };
    void Run();

    std::mutex Lock;
    std::condition_variable Changed;
    std::optional<TJob> Pending;
    bool Busy = false;
    bool Stopping = false;
    std::thread Worker;
};

// A copy left by a program that no longer runs; it is claimed (its lock held)
// while it is offered.
struct TLeftCopy
{
    QString Base;
    TRecoveryRecord Record;
    std::unique_ptr<QLockFile> Claim;
    bool Recorded = false; // its record was read; else only the copy's time is known
};

// This program's copy of the document.
class TRecovery : public QObject
{
public:
    TRecovery(TDocument& doc, const QString& folder = RecoveryFolder(), int delayMs = RecoveryDelayMs());
    ~TRecovery() override; // a clean end leaves no copy

    // The document was changed: a copy follows within the delay.
    void DocumentChanged();
    // The document is the one on disk, or gone: the copy goes.
    void DocumentUnchanged();
    // Starts the copy at once when the document has unsaved changes. Its image is
    // built a part at a time between events, then handed to the writer.
    void WriteNow();
    // Finishes the image under way and waits until the writer has it on disk.
    void Flush();
    // Whether an image is under way.
    bool Building() const { return Image != nullptr; }
    QString Base() const { return OwnBase; }

    // The copies of programs no longer running, newest first.
    std::vector<TLeftCopy> LeftCopies() const;
    // Reads a left copy into the document: FileName and labels as they were, the
    // document changed, the history empty; the copy becomes this program's.
    // Throws EProjectFile when it is damaged (the document then is empty).
    void Restore(TLeftCopy& copy);
    // Keeps a copy aside under another name, never offered again; of those kept
    // aside the newest three stay.
    void PutAside(TLeftCopy& copy) const;

private:
    void StartImage();
    void StopImage();
    void BuildImage(int64_t entries);

    TDocument& Doc;
    QString Folder;
    QString OwnBase;
    QLockFile OwnLock;
    QTimer Timer;     // the delay after a change
    QTimer PartTimer; // the next part of the image, after the events waiting
    std::unique_ptr<TImageBuilder> Image;
    TRecoveryWriter Writer;
};

// At the start: offers each copy left by a program that no longer runs, newest
// first, until one is taken; the others are put aside. A damaged copy is reported
// and put aside. True when a copy became the document.
bool OfferLeftCopies(TRecovery& recovery, TModal& modal, QWidget* parent);
