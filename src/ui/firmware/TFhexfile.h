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
class UserInteraction;

// The firmware update window: asks for the file and the confirmation, calls the update's verbs,
// and shows what it reports (its log, the start window's countdown, the progress).
class TFhexfile : public QDialog
{
    Q_OBJECT
public:
    TFhexfile(FirmwareUpdate &update, UserInteraction &ui, const Clock &clock, QWidget *parent = nullptr);

    // What the main window's menu entry does before it shows the window.
    void enableButtons();

    void FormShow();
    void FormClose();
    void ButProgClick();
    void ButCloseClick();

    void done(int result) override; // every way of closing ends here

signals:
    // The system beep sounded: a file that could not be read, an update done.
    void beeped();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildLayout();
    void connectUpdate();
    void setBarColour(const QColor &colour);
    void showStage(int stage);
    void beep();

    FirmwareUpdate &m_update;
    UserInteraction &m_ui;
    InfoLog *MInfo = nullptr;
    PieGauge *gaugecountdown = nullptr;
    QLabel *countdown = nullptr;
    QLabel *Ausrufezeichen = nullptr;
    QProgressBar *progress = nullptr;
    QPushButton *ButProg = nullptr;
    QPushButton *ButClose = nullptr;
    QPlainTextEdit *Memo1 = nullptr; // diagnostics, never shown
};
