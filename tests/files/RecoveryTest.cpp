#include "Recovery.h"

#include "DocumentFixture.h"
#include "ProjectFile.h"
#include "ScriptedModal.h"
#include "Texts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace {

QByteArray Contents(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Files(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

class Recovery : public DocumentFixture
{
protected:
    QTemporaryDir Folder;
    QString Child = QStringLiteral(RECOVERY_CHILD);

    // A program that wrote its copy and ended without cleaning up.
    void LeaveCopy()
    {
        QProcess child;
        child.start(Child, {QStringLiteral("once"), Folder.path()});
        ASSERT_TRUE(child.waitForFinished(60000));
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    }

    void Change()
    {
        VorgEinf(Doc, nullptr);
        Doc.Changed = true;
    }
};

TEST_F(Recovery, ACopyFollowsAChangeAndGoesWhenTheDocumentIsSaved)
{
    {
        TRecovery recovery(Doc, Folder.path(), 1);
        const QString copy = recovery.Base() + QStringLiteral(".zkt");
        Doc.FileName = QStringLiteral("/home/planer/Dach.zkt");
        ReplaceText(Doc.ArbeiterFieldLabels[7], QStringLiteral("Stunden"));
        Change();
        recovery.DocumentChanged();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                recovery.Flush();
                return QFile::exists(recovery.Base() + QStringLiteral(".json"));
            },
            10000));
        EXPECT_EQ(Contents(copy), WriteProject(Doc));
        TRecoveryRecord record;
        ASSERT_TRUE(ParseRecord(Contents(recovery.Base() + QStringLiteral(".json")), record));
        EXPECT_EQ(record.FileName, Doc.FileName);
        EXPECT_EQ(record.ArbeiterLabels[7], QStringLiteral("Stunden"));
        EXPECT_EQ(record.VorgangLabels[0], QStringLiteral("Text 1"));

        Doc.Changed = false;
        recovery.DocumentUnchanged();
        recovery.Flush();
        EXPECT_FALSE(QFile::exists(copy));
        Change();
        recovery.WriteNow();
        recovery.Flush();
        EXPECT_TRUE(QFile::exists(copy));
    }
    EXPECT_EQ(Files(Folder.path(), QStringLiteral("*")), QStringList()) << "a clean end leaves nothing";
}

// A copy left by a program that ended without cleaning up is offered; "Ja" makes it
// the document with its name, labels and the change mark.
TEST_F(Recovery, ALeftCopyIsOfferedAndRestored)
{
    TRecovery recovery(Doc, Folder.path(), 60000);
    ASSERT_NO_FATAL_FAILURE(LeaveCopy());
    TScriptedModal modal;
    modal.Answers.push_back(QMessageBox::Yes);
    ASSERT_TRUE(OfferLeftCopies(recovery, modal, nullptr));
    ASSERT_EQ(modal.Questions.size(), 1u);
    EXPECT_EQ(modal.Questions[0].Caption, QStringLiteral("Zeitkant"));
    EXPECT_TRUE(modal.Questions[0].Text.startsWith(
        QStringLiteral("Zeitkant wurde nicht ordnungsgemäß beendet. Sollen die ungespeicherten Änderungen an "
                       "Umbau-Kueche.zkt vom ")))
        << modal.Questions[0].Text.toStdString();
    EXPECT_EQ(modal.Questions[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(Doc.Vorgangs->topLevelItemCount(), 30);
    EXPECT_EQ(Doc.FileName, QStringLiteral("/home/planer/Umbau-Kueche.zkt"));
    EXPECT_EQ(TextOf(Doc.VorgangFieldLabels[2]), QStringLiteral("Gewerk"));
    EXPECT_TRUE(Doc.Changed);
    EXPECT_TRUE(QFile::exists(recovery.Base() + QStringLiteral(".zkt"))) << "the copy became this program's";
    EXPECT_TRUE(recovery.LeftCopies().empty());
}

// "Nein" keeps a copy aside and never offers it again; of those, the newest three
// stay. A damaged copy is reported and kept aside too.
TEST_F(Recovery, RefusedAndDamagedCopiesAreKeptAside)
{
    TRecovery recovery(Doc, Folder.path(), 60000);
    for (int i = 0; i < 4; ++i) {
        ASSERT_NO_FATAL_FAILURE(LeaveCopy());
        TScriptedModal modal;
        modal.Answers.push_back(QMessageBox::No);
        EXPECT_FALSE(OfferLeftCopies(recovery, modal, nullptr));
        EXPECT_EQ(modal.Questions.size(), 1u);
    }
    EXPECT_EQ(Files(Folder.path(), QStringLiteral("aside-*.zkt")).size(), 3);
    EXPECT_TRUE(recovery.LeftCopies().empty());

    ASSERT_NO_FATAL_FAILURE(LeaveCopy());
    const QString left = Files(Folder.path(), QStringLiteral("[0-9]*.zkt")).value(0);
    ASSERT_FALSE(left.isEmpty());
    QFile damaged(QDir(Folder.path()).filePath(left));
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.resize(damaged.size() / 2);
    damaged.close();
    TScriptedModal modal;
    modal.Answers.push_back(QMessageBox::Yes);
    EXPECT_FALSE(OfferLeftCopies(recovery, modal, nullptr));
    ASSERT_EQ(modal.Notices.size(), 1u);
    EXPECT_EQ(modal.Notices[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Doc.Vorgangs->topLevelItemCount(), 0) << "nothing of the damaged copy stays";
    EXPECT_FALSE(Doc.Changed);
    EXPECT_EQ(Files(Folder.path(), QStringLiteral("aside-*.zkt")).size(), 3);
    EXPECT_TRUE(Files(Folder.path(), QStringLiteral("[0-9]*.zkt")).isEmpty());
}

// A program killed at any moment leaves a recovery copy that is whole, and a saved
// file that is the old or the new version in full; while it runs, nobody else
// sees its copy.
TEST_F(Recovery, KilledAtAnyMomentLeavesWholeFiles)
{
    TRecovery recovery(Doc, Folder.path(), 60000);
    const QString saved = QDir(Folder.path()).filePath(QStringLiteral("plan.zkt"));
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        QProcess child;
        child.start(Child, {QStringLiteral("loop"), Folder.path(), saved});
        ASSERT_TRUE(child.waitForReadyRead(60000)) << child.readAllStandardError().toStdString();
        ASSERT_EQ(child.readLine().trimmed(), QByteArray("ready"));
        if (round == 0) {
            EXPECT_TRUE(recovery.LeftCopies().empty()) << "a running program's copy is its own";
        }
        QTest::qSleep(std::uniform_int_distribution<int>(0, 40)(random));
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(60000));

        const QByteArray file = Contents(saved);
        EXPECT_TRUE(file == Contents(saved + QStringLiteral(".a")) ||
                    file == Contents(saved + QStringLiteral(".b")))
            << "round " << round << ": " << file.size() << " bytes";
        const QString backup = saved + QLatin1Char('~');
        if (QFile::exists(backup)) {
            EXPECT_TRUE(Contents(backup) == Contents(saved + QStringLiteral(".a")) ||
                        Contents(backup) == Contents(saved + QStringLiteral(".b")));
        }
        std::vector<TLeftCopy> copies = recovery.LeftCopies();
        ASSERT_EQ(copies.size(), 1u) << "round " << round;
        TTestProject reader;
        EXPECT_NO_THROW(ReadProject(reader.Doc, Contents(copies[0].Base + QStringLiteral(".zkt"))))
            << "round " << round;
        EXPECT_GE(reader.Doc.Vorgangs->topLevelItemCount(), 30);
        for (const QString& suffix : {QStringLiteral(".zkt"), QStringLiteral(".json")})
            QFile::remove(copies[0].Base + suffix);
    }
}

// The image is built between events a part at a time; a change while it is under
// way starts it again, so the copy is always the document at one moment.
TEST_F(Recovery, AnImageInPartsIsTheImageAndAChangeStartsItAgain)
{
    for (int i = 0; i < 12000; ++i)
        VorgEinfChild(Doc, i % 100 == 0 ? nullptr
                                        : Doc.Vorgangs->topLevelItem(Doc.Vorgangs->topLevelItemCount() - 1));
    TImageBuilder parts(Doc);
    int count = 0;
    while (!parts.Build(7))
        ++count;
    EXPECT_GT(count, 1000);
    EXPECT_EQ(parts.Take(), WriteProject(Doc));

    TRecovery recovery(Doc, Folder.path(), 60000);
    Doc.Changed = true;
    recovery.WriteNow();
    QCoreApplication::processEvents(); // the first part
    ASSERT_TRUE(recovery.Building());
    RemoveNode(Doc, TOutlineKind::Vorgang, Doc.Vorgangs->topLevelItem(3));
    recovery.DocumentChanged();
    recovery.Flush();
    EXPECT_EQ(Contents(recovery.Base() + QStringLiteral(".zkt")), WriteProject(Doc));
}

// "Speichern" keeps the previous file beside the new one, as a second name of it.
TEST_F(Recovery, SavingKeepsThePreviousVersion)
{
    const QString name = QDir(Folder.path()).filePath(QStringLiteral("Dach.zkt"));
    QString error;
    ASSERT_TRUE(SaveProjectFile(Doc, name, error));
    const QByteArray first = Contents(name);
    EXPECT_FALSE(QFile::exists(name + QLatin1Char('~')));
    VorgEinf(Doc, nullptr);
    ASSERT_TRUE(SaveProjectFile(Doc, name, error));
    EXPECT_EQ(Contents(name + QLatin1Char('~')), first);
    EXPECT_EQ(Contents(name), WriteProject(Doc));
    VorgEinf(Doc, nullptr);
    ASSERT_TRUE(SaveProjectFile(Doc, name, error));
    EXPECT_NE(Contents(name + QLatin1Char('~')), first) << "one generation";
    EXPECT_EQ(Files(Folder.path(), QStringLiteral("Dach*")),
              (QStringList{QStringLiteral("Dach.zkt"), QStringLiteral("Dach.zkt~")}));
}

// The "<name>~" that a save replaces is held open, so that a thread of its own frees
// its blocks; held for ever, every save would keep the whole of an old file on disk.
TEST_F(Recovery, ReplacedVersionsAreNotHeldOpen)
{
    const QString name = QDir(Folder.path()).filePath(QStringLiteral("Dach.zkt"));
    auto replacedOpen = [&] {
        int open = 0;
        for (const QString& fd : QDir(QStringLiteral("/proc/self/fd"))
                                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[4096];
            const QByteArray link = QFile::encodeName(QStringLiteral("/proc/self/fd/") + fd);
            const ssize_t size = ::readlink(link.constData(), target, sizeof target);
            open += size > 0 && QFile::decodeName(QByteArray(target, size)).startsWith(name);
        }
        return open;
    };
    QString error;
    for (int save = 0; save < 4; ++save) {
        VorgEinf(Doc, nullptr);
        ASSERT_TRUE(SaveProjectFile(Doc, name, error));
    }
    EXPECT_EQ(Contents(name), WriteProject(Doc));
    QDeadlineTimer deadline(10000);
    while (replacedOpen() > 0 && !deadline.hasExpired())
        QThread::msleep(5);
    EXPECT_EQ(replacedOpen(), 0);
}

TEST(RecoveryPlaces, StateFolderAndDelay)
{
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/var/tmp/zustand");
    EXPECT_EQ(RecoveryFolder(), QStringLiteral("/var/tmp/zustand/Zeitkant/recovery"));
    qputenv("XDG_STATE_HOME", "relativ");
    EXPECT_EQ(RecoveryFolder(), QDir::homePath() + QStringLiteral("/.local/state/Zeitkant/recovery"));
    qputenv("XDG_STATE_HOME", state);
    for (const auto& [text, ms] :
         {std::pair{"3", 3000}, {"0", 15000}, {"abc", 15000}, {"-4", 15000}, {"", 15000}}) {
        qputenv("ZEITKANT_AUTOSAVE_SECONDS", text);
        EXPECT_EQ(RecoveryDelayMs(), ms) << text;
    }
    qunsetenv("ZEITKANT_AUTOSAVE_SECONDS");
}

} // namespace
