#pragma once

#include "core/outputs/DigTab.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;

// The modal editor for one output's assignment. Every choice goes straight into the table
// and the main window's grid follows at once; there is no cancel.
class TFdigout : public QDialog
{
    Q_OBJECT
public:
    // `table` and `outNr` are the main window's; `showdigTab` redraws its grid.
    TFdigout(DigTable &table, int &outNr, std::function<void()> showdigTab,
             QWidget *parent = nullptr);

    void FormShow();
    void updateData();

    void CoutChange(int index);
    void CQuelleChange(int index);
    void CInhalt1Change(int index);
    void CInhalt2Change(int index);
    void CBitFehlerChange(int index);
    void CBitinvertiertChange(int index);
    void BcloseClick();

    QComboBox *Cout = nullptr;
    QComboBox *CQuelle = nullptr;
    QComboBox *CInhalt1 = nullptr;
    QComboBox *CInhalt2 = nullptr;
    QComboBox *CBitFehler = nullptr;
    QComboBox *CBitinvertiert = nullptr;
    QPushButton *Bclose = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QComboBox *makeCombo(const char *name, const QStringList &items, const QRect &rect,
                         const QString &hint, int dropDownCount, void (TFdigout::*change)(int));
    void setBit(quint8 bit, int index);

    DigTable &m_table;
    int &m_outNr;
    std::function<void()> m_showdigTab;
};
