#include "core/files/WholeFileSave.h"

#include <QFileInfo>
#include <QSaveFile>

bool saveWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // The explicit flush matters: commit() does not notice a write that fails while it closes
    // the temporary file (a full disk), and would put a truncated file in place.
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.commit();
    if (!saved && error)
        *error = file.errorString();
    return saved;
}

QString wholeFileSaveProblem(const QString &path)
{
    // A temporary file beside a folder could be made, but the folder not replaced by it.
    if (QFileInfo(path).isDir())
        return QStringLiteral("Is a directory");
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting(); // the temporary file goes with the probe; `path` is not touched
    return {};
}
