#pragma once

#include "core/outputs/DigTab.h"

#include <QTableWidget>

class QPainter;

// Paints one cell of the output grid; row 0 is the title row, column 0 the output names.
void TabwerteDrawCell(QPainter *painter, const QRect &rect, int column, int row,
                      const QString &text, const QFont &gridFont);

// The output assignment grid. Grid coordinates follow the table's own numbering: row 0 is
// the title row (kept fixed in the header), row n shows output n; column 0 holds the names.
class OutputGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit OutputGrid(QWidget *parent = nullptr);

    static constexpr int ColumnCount = 5;

    // Shape, titles and output names.
    void setuptable();
    // Texts of columns 1..4 of every output row.
    void showdigTab(const DigTable &table);
    // Rows shown including the title row (5, 13, 21, 29 or 37); rows beyond stay hidden.
    void setGridRowCount(int rows);
    int gridRowCount() const;

    QString cellText(int column, int row) const;
    // Screen rectangle of a grid cell inside the viewport.
    QRect cellRect(int column, int row) const;

signals:
    // A click on a fixed cell: the title row or the names column.
    void fixedCellClicked(int column, int row);
};
