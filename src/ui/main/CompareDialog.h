#pragma once

#include "core/workflow/ImageComparison.h"

#include <QDialog>

class QTableWidget;

// The words in which the window's configuration differs from the module's: address, setting,
// the window's value and the module's, sortable by any column and copied as tab-separated
// lines (Ctrl+C the rows chosen, "Kopieren" all of them).
class CompareDialog : public QDialog
{
    Q_OBJECT
public:
    CompareDialog(const QList<WordDifference> &differences, QWidget *parent);

    // The rows as tab-separated lines with a heading line; only the selected rows when
    // `selectedOnly` and some are selected.
    QString tableText(bool selectedOnly) const;

private:
    QTableWidget *m_table = nullptr;
};
