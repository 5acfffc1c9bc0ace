#pragma once

#include <QByteArray>
#include <QStringList>

// A text file's bytes as lines: a byte-order mark selects the encoding, otherwise 8-bit text;
// lines may end in CR LF, LF or CR. The line end after the last line starts no further line.
// Shared by the configuration files and the firmware update files.
QStringList decodeTextLines(const QByteArray &bytes);
