#include "documents/ReportDocument.h"

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

void paintReport(const QString &html, QPagedPaintDevice &device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter);
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 9));
    document.setHtml(html);
    document.print(&device);
}

bool writeReportPdf(const QString &html, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("velka"));
        paintReport(html, writer);
    }
    // As with every save: commit() alone would not notice a write that failed on close.
    if (!file.flush() || file.error() != QFileDevice::NoError || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
