#pragma once

#include "core/outputs/DigTab.h"

#include <QDialog>

#include <functional>

class ConfigDocument;
class QComboBox;
class QPushButton;

// The modal editor for one output's assignment. Every choice goes straight into the
// document's output table, which the main window's grid shows at once; there is no cancel.
class TFdigout : public QDialog
{
    Q_OBJECT
public:
    explicit TFdigout(ConfigDocument &document, QWidget *parent = nullptr);

    // The output the editor works on: 1..36, or a number that names none.
    int currentOutput() const { return m_currentOutput; }
    void setCurrentOutput(int number) { m_currentOutput = number; }

    void FormShow();
    void updateData();

    void CoutChange(int index);
    void CQuelleChange(int index);
    void CInhalt1Change(int index);
    void CInhalt2Change(int index);
    void CBitFehlerChange(int index);
    void CBitinvertiertChange(int index);
    void BcloseClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QComboBox *makeCombo(const char *name, const QStringList &items, const QRect &rect,
                         const QString &hint, int dropDownCount, void (TFdigout::*change)(int));
    void setBit(quint8 bit, int index);
    // Changes the entry of the current output, if it names one.
    void changeEntry(const std::function<void(DigEntry &)> &change);

    ConfigDocument &m_document;
    int m_currentOutput = 1;
    QComboBox *Cout = nullptr;
    QComboBox *CQuelle = nullptr;
    QComboBox *CInhalt1 = nullptr;
    QComboBox *CInhalt2 = nullptr;
    QComboBox *CBitFehler = nullptr;
    QComboBox *CBitinvertiert = nullptr;
    QPushButton *Bclose = nullptr;
};
