#include "ErrorHandler.h"

#include "DynaArray.h"
#include "Printers.h"
#include "Translations.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class GeneralErrorHandler : public testing::Test
{
protected:
    QStringList Shown;

    void SetUp() override
    {
        SetErrorReporter([this](const QString& text) { Shown << text; });
    }
    void TearDown() override { SetErrorReporter(nullptr); }
};

TEST_F(GeneralErrorHandler, CommandExceptionsAreShownAndTheProgramGoesOn)
{
    bool after = false;
    Guarded([] { throw std::runtime_error("Datei kann nicht gelesen werden"); });
    Guarded([&] { after = true; });
    EXPECT_EQ(Shown, QStringList{QStringLiteral("Datei kann nicht gelesen werden")});
    EXPECT_TRUE(after);
}

TEST_F(GeneralErrorHandler, AnAlreadyReportedFailureEndsSilently)
{
    Guarded([] { throw EAbort(); });
    EXPECT_TRUE(Shown.isEmpty());
}

TEST_F(GeneralErrorHandler, OutOfMemoryHasAGermanText)
{
    Guarded([] { throw std::bad_alloc(); });
    EXPECT_EQ(Shown, QStringList{QStringLiteral("Zu wenig Arbeitsspeicher")});
}

class ThrowingObject : public QObject
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Fehler im Ereignis");
        return QObject::event(e);
    }
};

TEST_F(GeneralErrorHandler, ExceptionsEscapingAnEventHandlerAreCaught)
{
    ThrowingObject target;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    EXPECT_EQ(Shown, QStringList{QStringLiteral("Fehler im Ereignis")});
}

TEST(ErrorBox, CaptionIconButtonAndFullStop)
{
    auto box = MakeErrorBox(nullptr, QStringLiteral("Zugriff verweigert"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Zeitkant"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), QStringLiteral("Zugriff verweigert."));
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
}

TEST(Translations, QtButtonsSpeakGerman)
{
    ASSERT_TRUE(LoadGermanQtTranslation(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Speichern"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Nein"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Abbrechen"));
}

} // namespace
