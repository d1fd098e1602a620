#include "RecentFiles.h"

#include "DurableFile.h"

#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString BookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString MimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");

QDomDocument EmptyList()
{
    QDomDocument list;
    list.appendChild(list.createProcessingInstruction(QStringLiteral("xml"),
                                                      QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = list.createElement(QStringLiteral("xbel"));
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    root.setAttribute(QStringLiteral("xmlns:bookmark"), BookmarkNs);
    root.setAttribute(QStringLiteral("xmlns:mime"), MimeNs);
    list.appendChild(root);
    return list;
}

QDomElement Child(QDomDocument& list, QDomElement parent, const QString& name)
{
    QDomElement child = parent.firstChildElement(name);
    if (child.isNull())
        child = parent.appendChild(list.createElement(name)).toElement();
    return child;
}

// The bookmark's metadata: its type and this program among the applications that used it.
void Describe(QDomDocument& list, QDomElement bookmark, const QString& now)
{
    QDomElement metadata =
        Child(list, Child(list, bookmark, QStringLiteral("info")), QStringLiteral("metadata"));
    metadata.setAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    Child(list, metadata, QStringLiteral("mime:mime-type"))
        .setAttribute(QStringLiteral("type"), QStringLiteral("application/x-zeitkant"));
    QDomElement applications = Child(list, metadata, QStringLiteral("bookmark:applications"));
    QDomElement zeitkant;
    for (QDomElement app = applications.firstChildElement(QStringLiteral("bookmark:application"));
         !app.isNull(); app = app.nextSiblingElement(QStringLiteral("bookmark:application")))
        if (app.attribute(QStringLiteral("name")) == QLatin1String("Zeitkant"))
            zeitkant = app;
    if (zeitkant.isNull()) {
        zeitkant =
            applications.appendChild(list.createElement(QStringLiteral("bookmark:application"))).toElement();
        zeitkant.setAttribute(QStringLiteral("name"), QStringLiteral("Zeitkant"));
        zeitkant.setAttribute(QStringLiteral("exec"), QStringLiteral("'zeitkant %f'"));
    }
    zeitkant.setAttribute(QStringLiteral("modified"), now);
    zeitkant.setAttribute(QStringLiteral("count"), zeitkant.attribute(QStringLiteral("count")).toInt() + 1);
}

} // namespace

QString RecentFilesPath()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/recently-used.xbel");
}

void RecordRecentlyUsed(const QString& file)
{
    const QString path = RecentFilesPath();
    QDomDocument list = EmptyList();
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        QDomDocument read;
        if (!read.setContent(&existing) || read.documentElement().tagName() != QLatin1String("xbel"))
            return;
        list = read;
    }
    const QString href = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    QDomElement root = list.documentElement();
    QDomElement bookmark;
    for (QDomElement b = root.firstChildElement(QStringLiteral("bookmark")); !b.isNull();
         b = b.nextSiblingElement(QStringLiteral("bookmark")))
        if (b.attribute(QStringLiteral("href")) == href)
            bookmark = b;
    if (bookmark.isNull()) {
        bookmark = root.appendChild(list.createElement(QStringLiteral("bookmark"))).toElement();
        bookmark.setAttribute(QStringLiteral("href"), href);
        bookmark.setAttribute(QStringLiteral("added"), now);
    }
    bookmark.setAttribute(QStringLiteral("modified"), now);
    bookmark.setAttribute(QStringLiteral("visited"), now);
    Describe(list, bookmark, now);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    WriteFileDurably(path, list.toByteArray(2), error);
}
