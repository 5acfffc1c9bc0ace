#pragma once

#include <QDialog>

class Clock;
class FirmwareUpdate;
class InfoLog;
class PieGauge;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The firmware update window: shows what the update procedure reports (its log, the start
// window's countdown, the progress) and hands it the person's two buttons.
class TFhexfile : public QDialog
{
    Q_OBJECT
public:
    TFhexfile(FirmwareUpdate &update, const Clock &clock, QWidget *parent = nullptr);

    // What the main window's menu entry does before it shows the window.
    void enableButtons();

    void FormShow();
    void FormClose();
    void ButProgClick();
    void ButCloseClick();

    void done(int result) override; // every way of closing ends here

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildLayout();
    void connectUpdate();
    void setBarColour(const QColor &colour);

    FirmwareUpdate &m_update;
    InfoLog *MInfo = nullptr;
    PieGauge *gaugecountdown = nullptr;
    QLabel *countdown = nullptr;
    QLabel *Ausrufezeichen = nullptr;
    QProgressBar *progress = nullptr;
    QPushButton *ButProg = nullptr;
    QPushButton *ButClose = nullptr;
    QPlainTextEdit *Memo1 = nullptr; // diagnostics, never shown
};
