#pragma once

#include <QString>

class QPagedPaintDevice;

// Lays a report's HTML out on pages of `device` (a PDF writer, a printer).
void paintReport(const QString &html, QPagedPaintDevice &device);

// Writes the report as a PDF of A4 pages to `path`, through a temporary file that is put in
// place only when every byte was written: a failed write leaves no partial file and an
// existing file as it was. False with the system's reason in `error`.
bool writeReportPdf(const QString &html, const QString &path, QString *error);
