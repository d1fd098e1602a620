#include "Recovery.h"

#include "DurableFile.h"
#include "Errors.h"
#include "Modal.h"
#include "ProjectFile.h"
#include "Texts.h"
#include "Undo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <limits>

namespace {

const QString CopySuffix = QStringLiteral(".zkt");
const QString RecordSuffix = QStringLiteral(".json");
const QString LockSuffix = QStringLiteral(".lock");
constexpr int KeptAside = 3;
// Entries of the image built between two looks at the event queue: about 4 ms.
constexpr int64_t EntriesPerPart = 10000;

QString OwnBaseIn(const QString& folder)
{
    return folder + QStringLiteral("/%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(QDateTime::currentMSecsSinceEpoch());
}

QJsonArray LabelArray(const TLabelTexts& labels)
{
    QJsonArray array;
    for (const QString& label : labels)
        array.append(label);
    return array;
}

bool ReadLabels(const QJsonValue& value, TLabelTexts& labels)
{
    const QJsonArray array = value.toArray();
    if (array.size() != qsizetype(labels.size()))
        return false;
    for (std::size_t i = 0; i < labels.size(); ++i)
        labels[i] = array.at(qsizetype(i)).toString();
    return true;
}

bool RenameCopy(const QString& from, const QString& to)
{
    bool renamed = true;
    for (const QString& suffix : {CopySuffix, RecordSuffix}) {
        QFile::remove(to + suffix);
        if (QFile::exists(from + suffix))
            renamed = QFile::rename(from + suffix, to + suffix) && renamed;
    }
    return renamed;
}

} // namespace

QString RecoveryFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Zeitkant/recovery");
}

int RecoveryDelayMs()
{
    bool ok = false;
    const int seconds = qEnvironmentVariable("ZEITKANT_AUTOSAVE_SECONDS").toInt(&ok);
    return ok && seconds > 0 && seconds <= 24 * 3600 ? seconds * 1000 : 15000;
}

QByteArray RecordText(const TRecoveryRecord& record)
{
    QJsonObject object;
    object.insert(QStringLiteral("FileName"), record.FileName);
    object.insert(QStringLiteral("Time"), record.Time.toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("VorgangFieldLabels"), LabelArray(record.VorgangLabels));
    object.insert(QStringLiteral("ArbeiterFieldLabels"), LabelArray(record.ArbeiterLabels));
    return QJsonDocument(object).toJson();
}

bool ParseRecord(const QByteArray& text, TRecoveryRecord& record)
{
    const QJsonObject object = QJsonDocument::fromJson(text).object();
    record.FileName = object.value(QStringLiteral("FileName")).toString();
    record.Time = QDateTime::fromString(object.value(QStringLiteral("Time")).toString(), Qt::ISODateWithMs);
    return record.Time.isValid() &&
           ReadLabels(object.value(QStringLiteral("VorgangFieldLabels")), record.VorgangLabels) &&
           ReadLabels(object.value(QStringLiteral("ArbeiterFieldLabels")), record.ArbeiterLabels);
}

TRecoveryRecord RecordOf(const TDocument& doc, const QDateTime& time)
{
    return {doc.FileName, time, LabelTexts(doc.VorgangFieldLabels), LabelTexts(doc.ArbeiterFieldLabels)};
}

TRecoveryWriter::TRecoveryWriter() : Worker([this] { Run(); }) {}

TRecoveryWriter::~TRecoveryWriter()
{
    {
        const std::lock_guard<std::mutex> guard(Lock);
        Stopping = true;
    }
    Changed.notify_all();
    Worker.join();
}

void TRecoveryWriter::Write(const QString& base, QByteArray image, QByteArray record)
{
    {
        const std::lock_guard<std::mutex> guard(Lock);
        Pending = TJob{base, std::move(image), std::move(record), false};
    }
    Changed.notify_all();
}

void TRecoveryWriter::Remove(const QString& base)
{
    {
        const std::lock_guard<std::mutex> guard(Lock);
        Pending = TJob{base, {}, {}, true};
    }
    Changed.notify_all();
}

void TRecoveryWriter::Wait()
{
    std::unique_lock<std::mutex> guard(Lock);
    Changed.wait(guard, [this] { return !Pending && !Busy; });
}

void TRecoveryWriter::Run()
{
    std::unique_lock<std::mutex> guard(Lock);
    for (;;) {
        Changed.wait(guard, [this] { return Pending || Stopping; });
        if (!Pending)
            return;
        const TJob job = std::move(*Pending);
        Pending.reset();
        Busy = true;
        guard.unlock();
        QString error;
        if (job.Remove) {
            QFile::remove(job.Base + RecordSuffix);
            QFile::remove(job.Base + CopySuffix);
        } else if (!WriteFileDurably(job.Base + CopySuffix, job.Image, error) ||
                   !WriteFileDurably(job.Base + RecordSuffix, job.Record, error)) {
            qWarning("Zeitkant: recovery copy not written: %s", qPrintable(error));
        }
        guard.lock();
        Busy = false;
        Changed.notify_all();
    }
}

TRecovery::TRecovery(TDocument& doc, const QString& folder, int delayMs)
    : Doc(doc), Folder(folder), OwnBase(OwnBaseIn(folder)), OwnLock(OwnBase + LockSuffix)
{
    QDir().mkpath(Folder);
    OwnLock.setStaleLockTime(0);
    if (!OwnLock.tryLock(0))
        qWarning("Zeitkant: recovery folder %s cannot be used", qPrintable(Folder));
    Timer.setSingleShot(true);
    Timer.setInterval(delayMs);
    connect(&Timer, &QTimer::timeout, this, [this] { WriteNow(); });
    PartTimer.setInterval(0);
    connect(&PartTimer, &QTimer::timeout, this, [this] { BuildImage(EntriesPerPart); });
}

TRecovery::~TRecovery()
{
    Timer.stop();
    StopImage();
    Writer.Remove(OwnBase);
    Writer.Wait();
}

void TRecovery::DocumentChanged()
{
    if (Image)
        StartImage(); // the document changed under the image: it starts again
    else if (!Timer.isActive())
        Timer.start();
}

void TRecovery::DocumentUnchanged()
{
    Timer.stop();
    StopImage();
    Writer.Remove(OwnBase);
}

void TRecovery::WriteNow()
{
    Timer.stop();
    if (Doc.Changed)
        StartImage();
}

void TRecovery::Flush()
{
    BuildImage(std::numeric_limits<int64_t>::max());
    Writer.Wait();
}

void TRecovery::StartImage()
{
    Image = std::make_unique<TImageBuilder>(Doc);
    PartTimer.start();
}

void TRecovery::StopImage()
{
    PartTimer.stop();
    Image.reset();
}

void TRecovery::BuildImage(int64_t entries)
{
    if (!Image || !Image->Build(entries))
        return;
    Writer.Write(OwnBase, Image->Take(), RecordText(RecordOf(Doc, QDateTime::currentDateTime())));
    StopImage();
}

std::vector<TLeftCopy> TRecovery::LeftCopies() const
{
    std::vector<TLeftCopy> copies;
    const QDir folder(Folder);
    for (const QString& lock : folder.entryList({QStringLiteral("*") + LockSuffix}, QDir::Files)) {
        const QString base = folder.filePath(lock.chopped(LockSuffix.size()));
        if (base == OwnBase || lock.startsWith(QLatin1String("aside-")))
            continue;
        auto claim = std::make_unique<QLockFile>(base + LockSuffix);
        claim->setStaleLockTime(0);
        if (!claim->tryLock(0))
            continue; // its program still runs
        if (!QFile::exists(base + CopySuffix))
            continue; // it ended before it wrote one; the claim's end removes the lock
        TLeftCopy copy{base, {}, std::move(claim)};
        QFile record(base + RecordSuffix);
        copy.Recorded = record.open(QIODevice::ReadOnly) && ParseRecord(record.readAll(), copy.Record);
        if (!copy.Recorded)
            copy.Record.Time = QFileInfo(base + CopySuffix).lastModified();
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(),
              [](const TLeftCopy& a, const TLeftCopy& b) { return a.Record.Time > b.Record.Time; });
    return copies;
}

void TRecovery::Restore(TLeftCopy& copy)
{
    QByteArray bytes;
    StopImage();
    ClearProject(Doc);
    try {
        if (!ReadFileBytes(copy.Base + CopySuffix, bytes))
            throw EProjectFile(IoErrorText(ENOENT).toStdString());
        ReadProject(Doc, bytes);
    } catch (...) {
        ClearProject(Doc);
        throw;
    }
    Doc.FileName = copy.Record.FileName;
    if (copy.Recorded) {
        SetLabelTexts(Doc.VorgangFieldLabels, copy.Record.VorgangLabels);
        SetLabelTexts(Doc.ArbeiterFieldLabels, copy.Record.ArbeiterLabels);
    }
    Doc.Changed = true;
    ForgetHistory(Doc); // the file on disk is no state the history can reach
    Writer.Wait();
    RenameCopy(copy.Base, OwnBase);
    copy.Claim.reset();
}

void TRecovery::PutAside(TLeftCopy& copy) const
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmsszzz"));
    RenameCopy(copy.Base, QDir(Folder).filePath(
                              QStringLiteral("aside-%1-%2").arg(stamp, QFileInfo(copy.Base).fileName())));
    copy.Claim.reset();
    const QDir folder(Folder);
    const QStringList aside =
        folder.entryList({QStringLiteral("aside-*") + CopySuffix}, QDir::Files, QDir::Name | QDir::Reversed);
    for (qsizetype i = KeptAside; i < aside.size(); ++i) {
        const QString base = folder.filePath(aside[i].chopped(CopySuffix.size()));
        QFile::remove(base + CopySuffix);
        QFile::remove(base + RecordSuffix);
    }
}

bool OfferLeftCopies(TRecovery& recovery, TModal& modal, QWidget* parent)
{
    std::vector<TLeftCopy> copies = recovery.LeftCopies();
    for (TLeftCopy& copy : copies) {
        const QString name = copy.Record.FileName.isEmpty() ? QStringLiteral("unbenannt.zkt")
                                                            : QFileInfo(copy.Record.FileName).fileName();
        const QString question =
            QStringLiteral(
                "Zeitkant wurde nicht ordnungsgemäß beendet. Sollen die ungespeicherten Änderungen "
                "an %1 vom %2 wiederhergestellt werden?")
                .arg(name, copy.Record.Time.toString(QStringLiteral("dd.MM.yyyy, HH:mm")));
        if (modal.Ask(parent, QStringLiteral("Zeitkant"), question, QMessageBox::Yes | QMessageBox::No,
                      QMessageBox::Yes) != QMessageBox::Yes) {
            recovery.PutAside(copy);
            continue;
        }
        try {
            recovery.Restore(copy);
            return true;
        } catch (const EProjectFile& damaged) {
            modal.Tell(parent, QMessageBox::Critical, QStringLiteral("Zeitkant"),
                       QString::fromUtf8(damaged.what()) + QLatin1Char('.'));
            recovery.PutAside(copy);
        }
    }
    return false;
}
