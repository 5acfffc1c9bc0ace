#pragma once

#include <QObject>

// The service link: holds the connection to the module and the status values of the last
// exchange. The windows read its status values and call its operations; it never touches a
// window itself.
class TFRX : public QObject
{
    Q_OBJECT
public:
    explicit TFRX(QObject *parent = nullptr);

    // Bytes 2 and 3 of the last accepted reply; a read reply carries the firmware version there.
    quint8 ReplyByte2 = 0;
    quint8 ReplyByte3 = 0;
};
