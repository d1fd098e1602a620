#include "MainUnit.h"
#include "MsProjectCommands.h"

#include <QFileDialog>

// The "Extras" menu's exchange with other planners: the project as Microsoft
// Project XML, and such a file as a new, untitled project. The dialogs are made
// at their first use.

void TMainForm::ExtrasMsProjectExport1Click()
{
    if (!XmlExportDialog1)
        XmlExportDialog1 = MakeMsProjectFileDialog(this, "XmlExportDialog1", true);
    ExportMsProjectFromDialog(Commands(), *XmlExportDialog1);
}

void TMainForm::ExtrasMsProjectImport1Click()
{
    if (!XmlImportDialog1)
        XmlImportDialog1 = MakeMsProjectFileDialog(this, "XmlImportDialog1", false);
    ImportMsProjectAfterAsking(Commands(), *XmlImportDialog1, [this] {
        SetChanged();
        UpdateEditMenu();
    });
}
