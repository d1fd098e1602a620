#include "MainUnit.h"
#include "Outline.h"
#include "ProjectFile.h"
#include "RecentFiles.h"
#include "ScriptedModal.h"
#include "Translations.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const QString Example = QStringLiteral(EXAMPLE_PROJECT);

class Desktop : public testing::Test
{
protected:
    QTemporaryDir Dir;
    TMainForm Form;
    TScriptedModal Modal;
    TDocument& Doc = Form.Doc();

    Desktop()
    {
        Form.SetModal(&Modal);
        Form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Form));
        // A desktop without a window manager (Xvfb) never activates windows itself.
        QApplication::setActiveWindow(&Form);
    }
    ~Desktop() override { Form.SetModal(nullptr); }

    QString Copy(const QString& name)
    {
        const QString path = Dir.filePath(name);
        QFile::copy(Example, path);
        return path;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(Form.findChild<TOutlineTree*>(QStringLiteral("Vorgangs")), key, modifiers);
    }
    bool Drag(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Form, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Form, &drop);
        return drop.isAccepted();
    }
};

// Each shortcut, pressed as a key in the window, does its command.
TEST_F(Desktop, FileShortcutsDoTheirCommands)
{
    const QString plan = Copy(QStringLiteral("plan.zkt"));
    ASSERT_TRUE(Form.OpenFile(plan));
    Key(Qt::Key_N);
    EXPECT_TRUE(Doc.FileName.isEmpty()) << "Ctrl+N: Neu";

    Modal.Dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    Key(Qt::Key_O);
    Modal.Dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    Key(Qt::Key_S);
    Modal.Dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Modal.DialogsShown,
              (std::vector<QString>{QStringLiteral("OpenDialog1"), QStringLiteral("SaveDialog1"),
                                    QStringLiteral("SaveDialog1")}));

    const QString pdf = Dir.filePath(QStringLiteral("druck.pdf"));
    Form.Printer().setOutputFormat(QPrinter::PdfFormat);
    Form.Printer().setOutputFileName(pdf);
    Key(Qt::Key_P);
    EXPECT_TRUE(QFile::exists(pdf)) << "Ctrl+P: Vorgänge und Ressourcen drucken";

    Key(Qt::Key_Q);
    EXPECT_FALSE(Form.isVisible()) << "Ctrl+Q: Beenden";
    for (const char* name :
         {"EinfgenVorgangeinfgen1", "VorgngeVorganglschen1", "RessourcenArbeiterRessourceeinfgen1"})
        EXPECT_TRUE(Form.findChild<QAction*>(QLatin1String(name))->shortcut().isEmpty()) << name;
}

// One project dropped opens as "Öffnen" opens it, after the save question; other
// drops are refused.
TEST_F(Desktop, ADroppedProjectOpensAndOtherDropsAreRefused)
{
    const QString plan = Copy(QStringLiteral("Umbau-Kueche.zkt"));
    EXPECT_FALSE(Drag({QUrl::fromLocalFile(Dir.filePath(QStringLiteral("notizen.txt")))}));
    EXPECT_FALSE(Drag({QUrl::fromLocalFile(plan), QUrl::fromLocalFile(plan)}));
    EXPECT_FALSE(Drag({QUrl(QStringLiteral("https://example.org/plan.zkt"))}));

    VorgEinf(Doc, nullptr);
    Form.SetChanged();
    Modal.Answers.push_back(QMessageBox::No);
    EXPECT_TRUE(Drag({QUrl::fromLocalFile(plan)}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Doc.FileName == plan; }, 5000));
    EXPECT_EQ(Modal.Questions.size(), 1u) << "the save question first";
    EXPECT_FALSE(Doc.Changed);
}

// Opened and saved projects are in the desktop's recently used files.
TEST_F(Desktop, OpenedAndSavedFilesAreRecentlyUsed)
{
    QFile::remove(RecentFilesPath());
    const QString plan = Copy(QStringLiteral("Umbau Küche.zkt"));
    ASSERT_TRUE(Form.OpenFile(plan));
    Doc.FileName = Dir.filePath(QStringLiteral("zweite.zkt"));
    ASSERT_TRUE(Form.SaveTheFile());
    QFile list(RecentFilesPath());
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray text = list.readAll();
    EXPECT_TRUE(text.contains(QUrl::fromLocalFile(plan).toEncoded())) << text.toStdString();
    EXPECT_TRUE(text.contains(QUrl::fromLocalFile(Doc.FileName).toEncoded()));
    EXPECT_TRUE(text.contains("application/x-zeitkant"));
    list.close();

    ASSERT_TRUE(Form.OpenFile(plan)); // the same file again: one entry, counted twice
    list.open(QIODevice::ReadOnly);
    const QByteArray again = list.readAll();
    EXPECT_EQ(again.count(QUrl::fromLocalFile(plan).toEncoded()), 1);
    EXPECT_TRUE(again.contains("count=\"2\""));
    list.close();

    ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    list.write("<xbel><unclosed");
    list.close();
    ASSERT_TRUE(Form.OpenFile(plan));
    list.open(QIODevice::ReadOnly);
    EXPECT_EQ(list.readAll(), QByteArray("<xbel><unclosed")) << "a list that cannot be read stays as it is";
}

TEST(DesktopLocale, WithoutALocaleTheConventionsAreGerman)
{
    EXPECT_EQ(UserInterfaceLocale(QLocale::c()).name(), QStringLiteral("de_DE"));
    EXPECT_EQ(UserInterfaceLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)).name(),
              QStringLiteral("en_GB"));
    EXPECT_EQ(UserInterfaceLocale(QLocale(QLocale::German, QLocale::Switzerland)).name(),
              QStringLiteral("de_CH"));
}

// The sample project is what make_example makes, and a plan a user recognises.
TEST(ExampleProject, IsMadeByTheProgramAndComplete)
{
    QTemporaryDir dir;
    const QString made = dir.filePath(QStringLiteral("Umbau-Kueche.zkt"));
    ASSERT_EQ(QProcess::execute(QStringLiteral(MAKE_EXAMPLE), {made}), 0);
    QFile committed(Example);
    QFile fresh(made);
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly) && fresh.open(QIODevice::ReadOnly));
    EXPECT_EQ(committed.readAll(), fresh.readAll());

    TMainForm form;
    ASSERT_TRUE(form.OpenFile(Example));
    TDocument& doc = form.Doc();
    ASSERT_EQ(doc.Vorgangs->topLevelItemCount(), 3);
    int tasks = 0, links = 0, notes = 0;
    double fixed = 0;
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < doc.Vorgangs->topLevelItem(p)->childCount(); ++c, ++tasks) {
            const TVorgangRec& rec = VorgangOf(doc, doc.Vorgangs->topLevelItem(p)->child(c));
            links += rec.Link > 0;
            notes += rec.Notes != nullptr;
            fixed += rec.FixedCosts;
        }
    EXPECT_EQ(tasks, 12);
    EXPECT_GE(links, 10);
    EXPECT_GE(notes, 6);
    EXPECT_EQ(fixed, 10370);
    EXPECT_EQ(doc.Arbeiter->topLevelItemCount(), 4);
    const QByteArray before = WriteProject(doc);
    form.SetChanged();
    EXPECT_EQ(WriteProject(doc), before) << "its dates are the recalculation's";
}

} // namespace
