#include "ui/outputs/TFdigout.h"

#include "core/workflow/ConfigDocument.h"
#include "ui/common/PixelFont.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QColor Background(225, 230, 225);

// Shows the program's choice; an index beyond the list leaves no selection and no text,
// except in the box the person is typing into, whose text stays theirs.
void showIndex(QComboBox *box, int index)
{
    if (index >= 0 && index < box->count()) {
        if (box->currentIndex() != index)
            box->setCurrentIndex(index);
        return;
    }
    if (box->lineEdit() && box->lineEdit()->hasFocus())
        return;
    box->setCurrentIndex(-1);
    if (box->lineEdit())
        box->lineEdit()->clear();
}
} // namespace

TFdigout::TFdigout(ConfigDocument &document, QWidget *parent)
    : QDialog(parent)
    , m_document(document)
{
    setObjectName(QStringLiteral("Fdigout"));
    setWindowTitle(QStringLiteral("Velka -edit digital output-"));
    setModal(true);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Background);
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(612, 110);

    Cout = makeCombo("Cout", outputList(), QRect(6, 10, 65, 22), QStringLiteral("Ausgangs-Nummer"),
                     40, &TFdigout::CoutChange);
    CQuelle = makeCombo("CQuelle", sourceList(), QRect(73, 10, 90, 22),
                        QStringLiteral("Herkunftsquelle der Ausgabeinformation"), 32,
                        &TFdigout::CQuelleChange);
    CInhalt1 = makeCombo("CInhalt1", inputList(), QRect(165, 10, 235, 22),
                         QStringLiteral("Funktion des Ausgangs out1"), 40, &TFdigout::CInhalt1Change);
    CInhalt2 = makeCombo("CInhalt2", statusList(), QRect(165, 10, 235, 22),
                         QStringLiteral("Ausgabeinformation"), 40, &TFdigout::CInhalt2Change);
    CBitFehler = makeCombo("CBitFehler", faultList(), QRect(402, 10, 122, 22),
                           QStringLiteral("Fehlerverhalten des Ausgangs"), 32,
                           &TFdigout::CBitFehlerChange);
    CBitinvertiert = makeCombo("CBitinvertiert", inversionList(), QRect(526, 10, 81, 22),
                               QStringLiteral("Ausgang normal oder invertiert"), 32,
                               &TFdigout::CBitinvertiertChange);

    Bclose = new QPushButton(QStringLiteral("OK"), this);
    Bclose->setObjectName(QStringLiteral("Bclose"));
    Bclose->setGeometry(14, 55, 585, 43);
    Bclose->setFont(arialFont(19));
    Bclose->setAutoDefault(false);
    connect(Bclose, &QPushButton::clicked, this, &TFdigout::BcloseClick);
}

QComboBox *TFdigout::makeCombo(const char *name, const QStringList &items, const QRect &rect,
                               const QString &hint, int dropDownCount, void (TFdigout::*change)(int))
{
    auto *box = new QComboBox(this);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->addItems(items);
    box->setGeometry(rect);
    box->setFont(arialFont(13, true));
    box->setToolTip(hint);
    box->setMaxVisibleItems(dropDownCount);
    // Only the person's choices count as changes: a pick from the list, or typing, where a
    // text that names no item counts as no selection.
    connect(box, &QComboBox::activated, this, change);
    connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, box, change](const QString &text) {
        (this->*change)(box->findText(text, Qt::MatchFixedString));
    });
    return box;
}

void TFdigout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFdigout::FormShow()
{
    showIndex(Cout, m_currentOutput - 1);
    const DigEntry *entry = m_document.output(m_currentOutput);
    const bool status = entry && entry->source >= StatusSource;
    CInhalt1->setVisible(!status);
    CInhalt2->setVisible(status);
    if (entry) {
        showIndex(CQuelle, entry->source);
        showIndex(status ? CInhalt2 : CInhalt1, entry->content);
        showIndex(CBitFehler, (entry->options & OffOnErrorBit) ? 1 : 0);
        showIndex(CBitinvertiert, (entry->options & InvertedBit) ? 1 : 0);
    } else {
        // No output selected: nothing to show.
        for (QComboBox *box : {CQuelle, CInhalt1, CBitFehler, CBitinvertiert})
            showIndex(box, -1);
    }
    CInhalt1->setMaxVisibleItems(40);
}

void TFdigout::updateData()
{
    FormShow();
}

void TFdigout::changeEntry(const std::function<void(DigEntry &)> &change)
{
    const int number = m_currentOutput;
    if (const DigEntry *current = m_document.output(number)) {
        DigEntry entry = *current;
        change(entry);
        m_document.setOutput(number, entry);
    }
}

void TFdigout::CoutChange(int index)
{
    m_currentOutput = index + 1; // -1 (no selection) gives 0, which names no output
    updateData();
}

void TFdigout::CQuelleChange(int index)
{
    changeEntry([index](DigEntry &entry) { entry.source = quint8(index); });
    updateData();
}

void TFdigout::CInhalt1Change(int index)
{
    changeEntry([index](DigEntry &entry) { entry.content = quint8(index); });
    updateData();
}

void TFdigout::CInhalt2Change(int index)
{
    CInhalt1Change(index);
}

void TFdigout::setBit(quint8 bit, int index)
{
    changeEntry([bit, index](DigEntry &entry) {
        if (index != 0)
            entry.options |= bit;
        else
            entry.options &= quint8(~bit);
    });
    updateData();
}

void TFdigout::CBitFehlerChange(int index)
{
    setBit(OffOnErrorBit, index);
}

void TFdigout::CBitinvertiertChange(int index)
{
    setBit(InvertedBit, index);
}

void TFdigout::BcloseClick()
{
    accept();
}
