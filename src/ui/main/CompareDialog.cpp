#include "ui/main/CompareDialog.h"

#include "core/outputs/OutputLists.h"
#include "ui/main/MainWindowTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString withoutColon(const QString &caption)
{
    return caption.endsWith(QLatin1Char(':')) ? caption.chopped(1) : caption;
}

// The setting a word holds, in the words the window's own captions use.
QString settingCaption(int address)
{
    using namespace MainTexts;
    const QString rs485 = SettingTexts::Rs485Peripherie + QLatin1Char(' ');
    switch (address) {
    case Word::Channel: return withoutColon(CaptionKanal);
    case Word::ResetTime: return withoutColon(CaptionResetTime);
    case Word::Power: return withoutColon(CaptionLeistung);
    case Word::RadioCycle: return withoutColon(CaptionZyklus);
    case Word::SystemId: return withoutColon(CaptionSystemId);
    case Word::RadioTimeout: return withoutColon(CaptionTimeout);
    case Word::Station: return withoutColon(CaptionMaster) + QLatin1Char('/') + CaptionSlave.arg(QString());
    case Word::TimerNo1: return withoutColon(CaptionTimerNo1);
    case Word::SelfSent: return withoutColon(CaptionSelfSent);
    case Word::TimerNo2: return withoutColon(CaptionTimerNo2);
    case Word::MasterAddress: return SettingTexts::Geraeteadressen + QLatin1Char(' ') + withoutColon(CaptionMaster);
    case Word::ConfigBits:
        return withoutColon(CaptionMaster) + QStringLiteral(", ") + SettingTexts::Rs485Peripherie + QLatin1Char(' ')
            + CaptionEinbinden;
    case Word::Slave1Address:
    case Word::Slave2Address:
    case Word::Slave3Address:
    case Word::Slave4Address:
        return SettingTexts::Geraeteadressen + QLatin1Char(' ')
            + CaptionSlave.arg((address - Word::MasterAddress) / 2);
    case Word::Rs485Address1: return rs485 + withoutColon(CaptionAdresse1);
    case Word::Rs485Cycle: return rs485 + withoutColon(CaptionSendezyk);
    case Word::Rs485Address2: return rs485 + withoutColon(CaptionAdresse2);
    case Word::Rs485Timeout: return rs485 + withoutColon(CaptionRsTimeout);
    case Word::AnalogSource1: return withoutColon(CaptionFremdquelle) + QStringLiteral(" 1");
    case Word::AnalogSource2: return withoutColon(CaptionFremdquelle) + QStringLiteral(" 2");
    case Word::ExtensionGroups: return withoutColon(SettingTexts::Erweiterungskanaele);
    default: break;
    }
    const int output = (address - Word::ExtensionGroups) / 2;
    if (address > Word::ExtensionGroups + 1 && output >= 1 && output <= OutputCount) {
        const QStringList &columns = SettingTexts::OutputColumns;
        return outputName(output) + QStringLiteral("= ")
            + (address % 2 == 0 ? columns[1] : QStringList(columns.mid(2)).join(QStringLiteral(", ")));
    }
    return {};
}

// Numbers sort as numbers.
QTableWidgetItem *numberItem(int value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

CompareDialog::CompareDialog(const QList<WordDifference> &differences, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FVergleich"));
    setWindowTitle(MainTexts::CompareTitle);
    auto *layout = new QVBoxLayout(this);

    if (differences.isEmpty()) {
        auto *none = new QLabel(MainTexts::NoDifferences, this);
        none->setObjectName(QStringLiteral("LKeineUnterschiede"));
        layout->addWidget(none);
    } else {
        m_table = new QTableWidget(int(differences.size()), 4, this);
        m_table->setObjectName(QStringLiteral("Unterschiede"));
        m_table->setHorizontalHeaderLabels(MainTexts::CompareColumns);
        m_table->verticalHeader()->hide();
        m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
        for (int row = 0; row < int(differences.size()); ++row) {
            const WordDifference &d = differences[row];
            m_table->setItem(row, 0, numberItem(d.address));
            m_table->setItem(row, 1, new QTableWidgetItem(settingCaption(d.address)));
            m_table->setItem(row, 2, numberItem(d.ours));
            m_table->setItem(row, 3, numberItem(d.module));
        }
        m_table->setSortingEnabled(true);
        m_table->sortByColumn(0, Qt::AscendingOrder);
        m_table->resizeColumnsToContents();
        m_table->horizontalHeader()->setStretchLastSection(true);
        layout->addWidget(m_table);
        auto *copyKey = new QShortcut(QKeySequence::Copy, m_table);
        connect(copyKey, &QShortcut::activated, this,
                [this] { QApplication::clipboard()->setText(tableText(true)); });
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    if (m_table) {
        QPushButton *copy = button(this, "ButKopieren", MainTexts::CompareCopy);
        connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(tableText(false)); });
        buttons->addWidget(copy);
    }
    QPushButton *close = button(this, "ButSchliessen", MainTexts::CompareClose);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(520, m_table ? 360 : 120);
}

QString CompareDialog::tableText(bool selectedOnly) const
{
    if (!m_table)
        return MainTexts::NoDifferences + QLatin1Char('\n');
    QList<int> rows;
    if (selectedOnly) {
        for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
    }
    if (rows.isEmpty()) {
        for (int row = 0; row < m_table->rowCount(); ++row)
            rows << row;
    }
    QString text = MainTexts::CompareColumns.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const int row : rows) {
        QStringList cells;
        for (int column = 0; column < m_table->columnCount(); ++column)
            cells << m_table->item(row, column)->text();
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}
