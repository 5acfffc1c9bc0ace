#pragma once

#include "core/config/ConfigImage.h"

#include <QDialog>

class ConfigWorkflow;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TFRX;

// The factory data window: shows the module's factory record as read and performs a
// factory write, which stamps the programming counter and date and does not restart the
// module.
class TFcal : public QDialog
{
    Q_OBJECT
public:
    explicit TFcal(QWidget *parent = nullptr);

    void attach(TFRX *link, ConfigWorkflow *workflow);

    void FormShow();
    void ButstartClick();
    void ButcancelClick();
    void FormClose();

    // The factory words of the image, as the display refresh shows them here.
    void showFactoryWords(const ConfigWords &image);
    // The date the next write stamps (nDD, nMM, nYY).
    ProgrammingDate programmingDate() const;
    void addStatusLine(const QString &line);

    QFrame *WerkPanel = nullptr;
    QLineEdit *E_serienN = nullptr, *E_datecode = nullptr, *E_customer = nullptr, *E_written = nullptr;
    QLineEdit *nDD = nullptr, *nMM = nullptr, *nYY = nullptr;
    QLineEdit *aDD = nullptr, *aMM = nullptr, *aYY = nullptr;
    QPushButton *Butstart = nullptr, *Butcancel = nullptr;
    QPlainTextEdit *MStatus = nullptr;

    void done(int result) override; // every way of closing ends here

protected:
    void showEvent(QShowEvent *event) override;

private:
    TFRX *m_link = nullptr;
    ConfigWorkflow *m_workflow = nullptr;
};
