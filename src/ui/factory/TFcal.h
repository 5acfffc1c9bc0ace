#pragma once

#include <QDialog>

class ConfigDocument;
class FactoryRecord;
class ModuleSession;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The factory data window: shows the module's factory record as read and performs a
// factory write, which stamps the programming counter and date and does not restart the
// module.
class TFcal : public QDialog
{
    Q_OBJECT
public:
    explicit TFcal(ModuleSession &session, QWidget *parent = nullptr);

    void FormShow();
    void ButstartClick();
    void ButcancelClick();
    void FormClose();

    void done(int result) override; // every way of closing ends here

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The factory words of the image and the date the next write stamps.
    void showFactoryWords();
    void showProgrammingDate();
    void addStatusLine(const QString &line);

    ModuleSession &m_session;
    const ConfigDocument &m_document;
    FactoryRecord &m_record;
    QFrame *WerkPanel = nullptr;
    QLineEdit *E_serienN = nullptr, *E_datecode = nullptr, *E_customer = nullptr, *E_written = nullptr;
    QLineEdit *nDD = nullptr, *nMM = nullptr, *nYY = nullptr;
    QLineEdit *aDD = nullptr, *aMM = nullptr, *aYY = nullptr;
    QPushButton *Butstart = nullptr, *Butcancel = nullptr;
    QPlainTextEdit *MStatus = nullptr;
};
