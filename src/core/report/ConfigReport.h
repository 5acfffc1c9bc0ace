#pragma once

#include "core/config/ConfigImage.h"
#include "core/outputs/DigTab.h"

#include <QDate>
#include <QString>

#include <optional>

// What a read told about the module, for the report.
struct ReportModule
{
    QString firmware;
    QString serial;
    QString customer;
};

// Everything a configuration report shows: one document, built once from these.
struct ReportInput
{
    QString fileName;                   // the configuration file's name; empty: none yet
    QDate date;
    ConfigWords image{};                // as a write would send it (the outputs folded in)
    DigTable outputs{};
    std::optional<ReportModule> module; // only when a read gave it
};

// The report as an HTML document for QTextDocument (and for a browser): title, file and date,
// the module, the station role and the partners present, the radio parameters, RS485 and the
// extension channels, the 36 outputs in the words of the output table, the image checksum.
QString configReportHtml(const ReportInput &input);
