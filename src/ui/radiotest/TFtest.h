#pragma once

#include <QDialog>

struct RadioTestDisplay;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class RadioTest;

// The radio test window: the continuous carrier and the received signal strength. What to do
// is the radio test's; the window shows its state and the measured values.
class TFtest : public QDialog
{
    Q_OBJECT
public:
    explicit TFtest(RadioTest &test, QWidget *parent = nullptr);

    void ButRFstartstopClick();
    void BgetRSSIClick();
    void FormActivate();
    void FormClose();
    void BcloseClick();

    void done(int result) override; // every way of closing ends here

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildLayout();
    void showState(const RadioTestDisplay &display);
    void showRssi(int raw, const QString &dbmText);

    RadioTest &m_test;
    QFrame *PRF = nullptr;
    QPushButton *ButRFstartstop = nullptr;
    QFrame *Ptry = nullptr;
    QLabel *Ltries = nullptr;
    QLabel *LCarrierTime = nullptr; // how long the carrier has been on
    QFrame *PfarbeRSSI = nullptr;
    QPushButton *BgetRSSI = nullptr;
    QFrame *PRSSI = nullptr;
    QLabel *L_RSSI = nullptr;
    QProgressBar *PBrssi = nullptr;
    QPushButton *Bclose = nullptr;
};
