#include "Outline.h"
#include "ProjectFile.h"
#include "TestProject.h"

#include <QApplication>
#include <cstdint>
#include <cstdlib>

// Feeds arbitrary bytes to the project file reader. Whatever it makes of them, the
// document must stay safe: it is written, read back and written again to the same
// bytes, and then cleared, all under the address and undefined-behaviour checks.

namespace {

// A document on outline widgets that are made once and emptied after each input:
// making the widgets would cost more than reading most inputs.
struct TProject
{
    TDocument Doc;

    explicit TProject(int side)
    {
        static TOutlineTree outlines[4];
        BindTestDocument(Doc, outlines[2 * side], outlines[2 * side + 1], 7, false);
    }
    ~TProject() { DestroyModel(Doc); }
};

bool Load(TProject& project, const QByteArray& bytes)
{
    try {
        ReadProject(project.Doc, bytes);
        return true;
    } catch (const EProjectFile&) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TProject project(0);
    Load(project, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QByteArray written = WriteProject(project.Doc);
    TProject again(1);
    if (!Load(again, written) || WriteProject(again.Doc) != written)
        std::abort();
    ClearProject(project.Doc);
    return 0;
}
