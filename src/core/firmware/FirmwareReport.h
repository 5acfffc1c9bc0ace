#pragma once

#include <QString>

// Where reading a firmware update file and dividing it into rows report to: the update
// window (its log and its hidden diagnostic list) or a command-line front end.
class FirmwareReport
{
public:
    virtual ~FirmwareReport() = default;

    // One line of the log; `farbe` is a LogColour, `option` LogOption bits.
    virtual void showinfo(const QString &inhalt, int farbe, int option) = 0;
    // One line of the diagnostic list (Memo1), which no user is shown.
    virtual void diagnostic(const QString &line) = 0;
};
