#pragma once

#include "core/config/ConfigImage.h"
#include "core/link/Frames.h"

#include <QByteArray>

// How the reply to a request is judged.
enum class ReplyFamily {
    Application, // start byte 0xFF, command, checksum: judgeApplicationReply()
    Bootloader,  // length field, checksum, end byte: judgeBootloaderReply()
};

// Everything one exchange with the module needs. The engine keeps nothing of a request once
// its exchange has ended: the next one brings its own time-out and quiet time.
struct Request
{
    quint8 command = 0;       // the command whose reply is awaited ('!', 'Q', 0x03, ...)
    ReplyFamily family = ReplyFamily::Application;
    QByteArray frame;         // as built; scrambled on the wire only if `scrambled`
    int preamble = 0;         // zero bytes that wake the module, sent plainly before the frame
    bool scrambled = false;   // every byte combined with the link mask (the bootloader's frames)
    bool reopensPort = true;  // the port is closed and opened again first, its input emptied
    bool awaitsReply = true;  // the bootloader's reset frame is answered by nothing
    int timeoutMs = 1000;     // counted from the send; a reply must be judged before it ends
    // A repetition within one operation (the radio test's commands and queries): a time-out
    // that still runs goes on, so a silent module is heard of once per time-out, not once per
    // attempt. Any other request counts its time-out from its own send.
    bool keepsRunningTimeout = false;
    int quietMs = 100;        // the reply is judged once the line has been quiet this long
};

// One of the application's requests ('!', '1', 'Q', 'w', 0x60, 'a') with its preamble.
Request applicationRequest(quint8 command, int timeoutMs);
// The configuration data that follow an accepted write request ('3'): no preamble, and the
// port is not reopened in the middle of the write.
Request writeDataRequest(ConstPayloadSpan payload, int timeoutMs);

// The three frames of a bootloader row and the bootloader's reset frame. Only the first frame
// of a row reopens the port; the others follow their predecessor's reply at once.
Request announceRowRequest(quint32 address, int timeoutMs);
Request rowDataRequest(const RowData &data, int timeoutMs);
Request finishRowRequest(bool erasePage, int timeoutMs);
Request bootloaderResetRequest();
