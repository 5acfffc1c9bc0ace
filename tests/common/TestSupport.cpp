#include "common/TestSupport.h"

#include <QApplication>
#include <QTextBlock>
#include <QTimer>
#include <QTextDocument>

QByteArray withChecksum(QByteArray bytes)
{
    int sum = 0;
    for (const char c : bytes)
        sum += quint8(c);
    const int check = 0xFFFF - (sum & 0xFFFF);
    return bytes.append(char(check >> 8)).append(char(check & 0xFF));
}

QByteArray masked(QByteArray bytes)
{
    for (char &byte : bytes)
        byte = char(quint8(byte) ^ 0xC5);
    return bytes;
}

QList<LogLine> logLines(const QTextEdit *log)
{
    QList<LogLine> lines;
    for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
        // The colour of the first character; an empty line carries its colour in the block.
        const QTextBlock::iterator first = block.begin();
        const QTextCharFormat format = first.atEnd() ? block.charFormat() : first.fragment().charFormat();
        lines << LogLine{block.text(), format.foreground().color()};
    }
    // The document always ends in an empty block after the last line feed.
    if (!lines.isEmpty() && lines.last().text.isEmpty())
        lines.removeLast();
    return lines;
}

void whileModal(std::function<void(QWidget *dialog)> body)
{
    auto *poll = new QTimer;
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [poll, body] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        body(dialog);
        dialog->close();
    });
    poll->start();
}
