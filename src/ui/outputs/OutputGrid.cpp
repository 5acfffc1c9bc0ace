#include "ui/outputs/OutputGrid.h"

#include "core/config/SettingTexts.h"
#include "ui/common/PixelFont.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {
const QColor TitleBackground(192, 192, 192); // silver
const QColor TitleText(0, 0, 128);           // navy
const QColor NameText(128, 0, 0);            // maroon
const QColor LightBand(244, 244, 244);
const QColor GreenBand(233, 235, 233);

const QStringList &titles()
{
    return SettingTexts::OutputColumns;
}

// Own outputs and the extension groups 2 and 4 are light, groups 1 and 3 green-grey, so the
// groups stand apart.
QColor bandColour(int row)
{
    if ((row >= 5 && row <= 12) || (row >= 21 && row <= 28))
        return GreenBand;
    return LightBand;
}

class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        TabwerteDrawCell(painter, option.rect, index.column(), index.row() + 1,
                         index.data().toString(), option.font);
    }
};

class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {}

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        painter->save();
        TabwerteDrawCell(painter, rect, logicalIndex, 0,
                         model()->headerData(logicalIndex, Qt::Horizontal).toString(), font());
        painter->setPen(QColor(128, 128, 128));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->restore();
    }
};
} // namespace

void TabwerteDrawCell(QPainter *painter, const QRect &rect, int column, int row,
                      const QString &text, const QFont &gridFont)
{
    QFont font = gridFont;
    QColor background;
    QColor pen;
    if (row == 0) {
        background = TitleBackground;
        pen = column == 0 ? NameText : TitleText;
    } else {
        font.setPointSize(9);
        font.setBold(column == 0);
        background = bandColour(row);
        pen = column == 0 ? NameText : Qt::black;
    }
    painter->save();
    painter->fillRect(rect, background);
    painter->setFont(font);
    painter->setPen(pen);
    painter->drawText(rect.adjusted(0, 1, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                      text);
    painter->restore();
}

OutputGrid::OutputGrid(QWidget *parent)
    : QTableWidget(parent)
{
    setHorizontalHeader(new TitleHeader(this));
    setItemDelegate(new CellDelegate(this));

    connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == 0)
            emit fixedCellClicked(0, row + 1);
    });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { emit fixedCellClicked(column, 0); });
}

void OutputGrid::setuptable()
{
    setFont(arialFont(13));
    horizontalHeader()->setFont(arialFont(13));

    setColumnCount(ColumnCount);
    setRowCount(OutputCount);
    setHorizontalHeaderLabels(titles());
    static constexpr int widths[ColumnCount] = {43, 51, 174, 70, 56};
    horizontalHeader()->setMinimumSectionSize(8);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setFixedHeight(20);
    for (int c = 0; c < ColumnCount; ++c)
        setColumnWidth(c, widths[c]);

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(8);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(16);

    setShowGrid(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::NoFocus);
    setWordWrap(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    for (int n = 1; n <= OutputCount; ++n) {
        for (int c = 0; c < ColumnCount; ++c) {
            auto *cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            setItem(n - 1, c, cell);
        }
        item(n - 1, 0)->setText(outputName(n) + QLatin1Char('='));
    }
}

void OutputGrid::showdigTab(const DigTable &table)
{
    for (int n = 1; n <= OutputCount; ++n) {
        const OutputRowTexts texts = outputRowTexts(table[n - 1]);
        item(n - 1, 1)->setText(texts.source);
        item(n - 1, 2)->setText(texts.content);
        item(n - 1, 3)->setText(texts.fault);
        item(n - 1, 4)->setText(texts.inversion);
    }
}

void OutputGrid::setGridRowCount(int rows)
{
    for (int n = 1; n <= OutputCount; ++n)
        setRowHidden(n - 1, n >= rows);
}

int OutputGrid::gridRowCount() const
{
    int rows = 1;
    for (int n = 1; n <= OutputCount; ++n) {
        if (!isRowHidden(n - 1))
            ++rows;
    }
    return rows;
}

QString OutputGrid::cellText(int column, int row) const
{
    if (row == 0)
        return model()->headerData(column, Qt::Horizontal).toString();
    const QTableWidgetItem *cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

QRect OutputGrid::cellRect(int column, int row) const
{
    return visualItemRect(item(row - 1, column));
}
