// The build's layers, read from the sources themselves: the core includes nothing outside
// itself, the documents only the core, velka-cli nothing of the windows, and no two folders
// include each other, directly or around a circle.
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

using Graph = QHash<QString, QSet<QString>>; // folder -> folders it includes

struct Include
{
    QString file;   // "core/link/Frames.cpp"
    QString folder; // "core/link"
    QString target; // "core/config/ConfigImage.h"
};

QList<Include> includes(const QString &root)
{
    static const QRegularExpression line(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                         QRegularExpression::MultilineOption);
    QList<Include> found;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString relative = QDir(root).relativeFilePath(path);
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch &match : line.globalMatch(text))
            found << Include{relative, relative.section(QLatin1Char('/'), 0, -2), match.captured(1)};
    }
    return found;
}

// "core/link/Frames.h" -> "core/link"; a file of the same folder ("Frames.h") names none.
QString folderOf(const QString &target)
{
    return target.contains(QLatin1Char('/')) ? target.section(QLatin1Char('/'), 0, -2) : QString();
}

// "core/link" lies within "core"; "corex" does not.
bool within(const QString &folder, const QString &layer)
{
    return folder == layer || folder.startsWith(layer + QLatin1Char('/'));
}

QSet<QString> foldersOf(const QString &circle)
{
    const QStringList folders = circle.split(QStringLiteral(" -> "));
    return QSet<QString>(folders.begin(), folders.end());
}

// A circle through `folder`, as "a -> b -> a", or empty.
QString circle(const Graph &graph, const QString &folder, QStringList &path, QSet<QString> &done)
{
    if (path.contains(folder))
        return (path.mid(path.indexOf(folder)) << folder).join(QStringLiteral(" -> "));
    if (done.contains(folder))
        return {};
    path << folder;
    for (const QString &next : graph.value(folder)) {
        const QString found = circle(graph, next, path, done);
        if (!found.isEmpty())
            return found;
    }
    path.removeLast();
    done.insert(folder);
    return {};
}

QString firstCircle(const Graph &graph)
{
    QSet<QString> done;
    for (auto it = graph.begin(); it != graph.end(); ++it) {
        QStringList path;
        const QString found = circle(graph, it.key(), path, done);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

class TestLayers : public QObject
{
    Q_OBJECT
private slots:
    void layer_includesOnlyWhatItBuildsOn_data();
    void layer_includesOnlyWhatItBuildsOn();
    void folders_includeEachOtherInOneDirectionOnly_data();
    void folders_includeEachOtherInOneDirectionOnly();
};

void TestLayers::layer_includesOnlyWhatItBuildsOn_data()
{
    QTest::addColumn<QString>("layer");
    QTest::addColumn<QStringList>("allowed"); // the layers it may include
    QTest::newRow("core") << "core" << QStringList{"core"};
    QTest::newRow("documents") << "documents" << QStringList{"core", "documents"};
    QTest::newRow("cli") << "cli" << QStringList{"core", "documents", "cli"};
    QTest::newRow("ui") << "ui" << QStringList{"core", "documents", "ui"};
}

void TestLayers::layer_includesOnlyWhatItBuildsOn()
{
    QFETCH(QString, layer);
    QFETCH(QStringList, allowed);
    const QList<Include> found = includes(QStringLiteral(VELKA_SOURCE_DIR "/src"));
    QVERIFY(found.size() > 100);
    for (const Include &include : found) {
        if (!within(include.folder, layer))
            continue;
        const QString folder = folderOf(include.target);
        const bool ok = folder.isEmpty()
            || std::any_of(allowed.begin(), allowed.end(), [&](const QString &a) { return within(folder, a); });
        QVERIFY2(ok, qPrintable(include.file + QStringLiteral(" includes ") + include.target));
    }
}

void TestLayers::folders_includeEachOtherInOneDirectionOnly_data()
{
    QTest::addColumn<QStringList>("edges"); // "a>b": a includes b; empty: the sources
    QTest::addColumn<QString>("circle");
    QTest::newRow("the sources") << QStringList() << QString();
    // The check itself, on graphs made up for it.
    QTest::newRow("two folders") << QStringList{"a>b", "b>a"} << "a -> b -> a";
    QTest::newRow("three folders") << QStringList{"a>b", "b>c", "c>a"} << "a -> b -> c -> a";
    QTest::newRow("a chain") << QStringList{"a>b", "b>c", "a>c"} << QString();
}

void TestLayers::folders_includeEachOtherInOneDirectionOnly()
{
    QFETCH(QStringList, edges);
    QFETCH(QString, circle);
    Graph graph;
    if (edges.isEmpty()) {
        for (const Include &include : includes(QStringLiteral(VELKA_SOURCE_DIR "/src"))) {
            const QString folder = folderOf(include.target);
            if (!folder.isEmpty() && folder != include.folder)
                graph[include.folder].insert(folder);
        }
        QVERIFY(graph.value(QStringLiteral("core/workflow")).contains(QStringLiteral("core/link")));
    } else {
        for (const QString &edge : edges)
            graph[edge.section(QLatin1Char('>'), 0, 0)].insert(edge.section(QLatin1Char('>'), 1));
    }
    const QString found = firstCircle(graph);
    // A made-up circle may be found from any of its folders.
    if (!circle.isEmpty())
        QCOMPARE(foldersOf(found), foldersOf(circle));
    else
        QVERIFY2(found.isEmpty(), qPrintable(found));
}

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
