#pragma once

#include "core/config/ConfigImage.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

// The configuration file (*.VMC): ">>DATA", the 256 words in decimal, "<<DATA", then the
// program version and a comment line, 264 lines, each ending in CR LF.
namespace ConfigFile {

inline constexpr int LineCount = 264;
inline const QString DataStart = QStringLiteral(">>DATA");
// What a file that does not load is told with, wherever it was to be loaded.
inline const QString LoadFailed = QStringLiteral("Fehler bei Datei Laden");

// The 264 lines of a configuration file holding `image`.
QStringList build(const ConfigWords &image);

// The lines as they go to disk: 8-bit text, every line ending in CR LF.
QByteArray encode(const QStringList &lines);

// A file's bytes as lines: a byte-order mark selects the encoding, otherwise 8-bit text;
// lines may end in CR LF, LF or CR.
QStringList decode(const QByteArray &bytes);

// The image held by a file's lines: the 256 values after the last ">>DATA" line (or from
// the first line when there is none). Empty when the file ends early or a value does not
// convert.
std::optional<ConfigWords> read(const QStringList &lines);

} // namespace ConfigFile
