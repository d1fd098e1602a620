#pragma once

#include "Document.h"

#include <QByteArray>
#include <QString>

// What the export writes beside the document.
struct TMspHeader
{
    QString Name;  // the exported file's name
    QString Title; // the project's title
    TDateTime Created = 0;
};

// The document as one Microsoft Project XML document in UTF-8: the project with
// its span and the standard calendar (Monday to Friday, 08:00-12:00 and
// 13:00-17:00), the project's summary task (UID 0) and every live task in outline
// order, every live resource (those inside a group name it as their Group), and
// one assignment per leaf task and live resource it lists. UIDs are Ids + 1; the
// custom fields are named after the current labels.
QByteArray WriteMsProject(const TDocument& doc, const TMspHeader& header);

// The project's title: the base name of its file, "unbenannt" while untitled.
QString MspTitle(const QString& documentFile);

// The file the export proposes: the project's file with ".xml" in its place,
// "unbenannt.xml" for an untitled project.
QString ProposedXmlName(const QString& documentFile);

// Writes the export to name, replacing it only once complete and on disk; false
// with the reason in error.
bool ExportMsProject(const TDocument& doc, const QString& name, TDateTime created, QString& error);
