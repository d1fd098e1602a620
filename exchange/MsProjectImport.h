#pragma once

#include "Document.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <vector>

// Import of Microsoft Project XML. A file is read and checked whole into a plan
// first; only a plan replaces the document, so a faulty file leaves it as it was.

// Larger files are refused before they are read.
constexpr qint64 MspFileLimit = qint64(200) * 1024 * 1024;

// Why a file cannot be imported, and where (line and column 0 when nowhere).
struct TXmlFault
{
    QString Text;
    qint64 Line = 0;
    qint64 Column = 0;
};

// What the import could not hold otherwise and wrote into the notes, by kind.
enum class TNoted
{
    Predecessor, // further predecessors, other link types, links that cannot stand
    Lag,         // the lag of the predecessor that became the link
    Constraint,
    Milestone,
    Percent,
    Other, // ends before starts, partial units, material and cost resources
};
constexpr int NotedKinds = 6;

struct TImportReport
{
    int Tasks = 0;
    int Resources = 0;
    int Assignments = 0;
    int SkippedAssignments = 0; // naming a task or a resource the file does not have
    std::array<int, NotedKinds> Noted{};

    void Note(TNoted kind) { ++Noted[std::size_t(kind)]; }
};

// One task of the plan, in outline order; Parent and Link are indexes of earlier
// or later tasks, -1 for none.
struct TMspTask
{
    int Parent = -1;
    int Link = -1;
    QString Name;
    QString Notes;
    TDateTime Start = 0;
    TDateTime Finish = 0;
    double FixedCosts = 0;
    bool WorkCosts = false;
    std::array<QString, 5> Texts;
    std::array<double, 5> Numbers{};
    std::vector<int> Resources; // indexes of the plan's resources
};

struct TMspResource
{
    int Parent = -1;
    QString Name;
    QString EMail;
    QString Notes;
    double CostPerHour = 0;
    double CostPerUse = 0;
    int32_t Members = 0;
    std::array<QString, 5> Texts;
    std::array<double, 5> Numbers{};
};

struct TMspPlan
{
    std::vector<TMspTask> Tasks;
    std::vector<TMspResource> Resources; // groups named by Group and by no resource included
    TDateTime ViewStart = 0;
    TImportReport Report;
};

// The whole file; false with the reason when it cannot be read or is larger than
// MspFileLimit.
bool ReadMsProjectFile(const QString& name, QByteArray& bytes, QString& error);

// Reads and checks the whole document. False, with the first fault, for anything
// that is not well-formed XML, not a Project, lacks Tasks, holds a value that is
// not of its kind or out of range, repeats a UID or nests deeper than the outlines
// take. What the outlines cannot hold becomes lines of the notes.
bool ParseMsProject(const QByteArray& bytes, TMspPlan& plan, TXmlFault& fault);

// Replaces the outlines and records of doc by the plan (nodes of summary tasks and
// groups expanded), recalculates, and notes the links the recalculation had to
// take away (cycles). FileName, the labels, Changed and the history are left to
// the caller.
TImportReport ImportMsProject(TDocument& doc, const TMspPlan& plan);

// The text of the box that follows an import: what came in, what went into notes.
QString ImportSummary(const TImportReport& report);
