#pragma once

#include <QTextEdit>

class Clock;

// Colours of log reports, as 24-bit values blue * 65536 + green * 256 + red.
namespace LogColour {
inline constexpr int Black = 0;
inline constexpr int Red = 255;
inline constexpr int Green = 32768;
} // namespace LogColour

// Option bits of a report.
namespace LogOption {
inline constexpr int Plain = 0;
inline constexpr int TimeLine = 1;  // a line " -hh:mm:ss-" comes first
inline constexpr int EmptyLine = 2; // an empty line follows
inline constexpr int Framed = TimeLine | EmptyLine;
} // namespace LogOption

QColor logColour(int value);

// The coloured information log: every report appends lines at the end and the newest
// line is scrolled into view. The main window and the firmware window each have one.
class InfoLog : public QTextEdit
{
    Q_OBJECT
public:
    InfoLog(const Clock &clock, QWidget *parent = nullptr);

    void showinfo(const QString &inhalt, int farbe, int option);

    static void AddColoredString(QTextEdit *ARichEdit, const QString &AText, int AColor);
    static void SetCaretToEnd(QTextEdit *hWindow, bool bScroll);

private:
    const Clock &m_clock;
};
