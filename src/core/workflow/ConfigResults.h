#pragma once

#include "core/config/ConfigImage.h"
#include "core/config/SystemData.h"
#include "core/workflow/ImageComparison.h"
#include "core/workflow/OperationEnd.h"

#include <QList>

// A read of the module's configuration: the image as the module sent it (before the
// document's rules), the firmware version of the reply and the system data of the image.
struct ReadResult
{
    OperationEnd end;
    ConfigWords image{};
    FirmwareVersion version{};
    SystemData system;
    bool checksumGood = false; // word 255 holds the sum of words 0..254
};

// The result of a read that ended with `end`; the image and version count only when it
// succeeded.
ReadResult readResult(const OperationEnd &end, const ConfigWords &image, const FirmwareVersion &version);

// A word the verify read brought back other than it was written.
struct VerifyDifference
{
    int address = 0;
    quint16 written = 0;
    quint16 read = 0;

    bool operator==(const VerifyDifference &) const = default;
};

// The line the log shows for one verify difference.
QString verifyDifferenceText(const VerifyDifference &difference);
// Every word in which `read` differs from `written`, in address order.
QList<VerifyDifference> verifyDifferences(const ConfigWords &written, const ConfigWords &read);

// A write: the image sent (stamped with counter and date), what the verify read found
// different, and the firmware version the read before the write reported.
struct WriteResult
{
    OperationEnd end;
    ConfigWords written{};
    QList<VerifyDifference> differences;
    FirmwareVersion version{};
};

// A comparison: the module's image as read against the image a write would send.
struct CompareResult
{
    OperationEnd end;
    ConfigWords module{};
    QList<WordDifference> differences;
    FirmwareVersion version{};
};

// The factory record: after its read, the module's image; after its write, the counter the
// write stamped.
struct FactoryResult
{
    OperationEnd end;
    ConfigWords image{};
    quint16 counter = 0;
};

Q_DECLARE_METATYPE(ReadResult)
Q_DECLARE_METATYPE(WriteResult)
Q_DECLARE_METATYPE(CompareResult)
Q_DECLARE_METATYPE(FactoryResult)
