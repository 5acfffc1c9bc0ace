#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Decimal text of `data`, padded on the left with `fill` to at least `digits` characters;
// longer texts are never cut.
QString paddedNumber(int digits, QChar fill, qint64 data);

// `value` as upper-case hexadecimal digits, padded with zeros to `digits`.
QString hexText(qint64 value, int digits);

// `wert` as fixed-point text: at most `maxwert`, the integer part padded with `fillvorne` to
// `vorne` characters, `hinten` decimals after a decimal comma, then `Einheit`.
QString fixedPointText(double wert, double maxwert, int vorne, int hinten, QChar fillvorne,
                  const QString &Einheit);

// A time word's seconds as the window shows them: three digits before the point, three after,
// then `unit`.
QString secondsText(double seconds, const QString &unit);

// Integer syntax shared by the fields and the configuration files: optional leading blanks,
// optional sign, then decimal digits or a hexadecimal number introduced by "$", "x", "X" or
// "0x", and nothing after it. Empty when the text does not match or does not fit 64 bits.
std::optional<qint64> parseIntegerText(QStringView text);

// Integer value of `text` clamped to 0..`max`; unreadable text gives 0.
qint64 clampedInteger(const QString &text, qint64 max);

// Decimal number in `text`: cut after its last digit (drops a unit such as " s"), "." and ","
// both taken as the decimal comma. Unreadable text gives 0. `nachkomma` has no effect.
double decimalValue(const QString &text, int nachkomma = 2);

// 2 to the power `exponent`.
qint64 powerOfTwo(int exponent);
