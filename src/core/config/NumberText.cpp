#include "core/config/NumberText.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

QString paddedNumber(int digits, QChar fill, qint64 data)
{
    return QString::number(data).rightJustified(digits, fill, /*truncate=*/false);
}

QString hexText(qint64 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString fixedPointText(double wert, double maxwert, int vorne, int hinten, QChar fillvorne,
                  const QString &Einheit)
{
    if (!(wert <= maxwert)) // also replaces NaN
        wert = maxwert;
    hinten = std::clamp(hinten, 0, 9);
    qint64 scale = 1;
    for (int i = 0; i < hinten; ++i)
        scale *= 10;

    // Round the whole value once: rounding only the fraction could produce "2,1000".
    const double limit = 1e15;
    const double magnitude = std::min(std::fabs(wert) * double(scale), limit);
    const auto units = qint64(std::nearbyint(magnitude));
    const bool negative = wert < 0 && units != 0;

    const QString integerPart = (negative ? QStringLiteral("-") : QString())
        + QString::number(units / scale);
    const QString fraction = QString::number(units % scale).rightJustified(hinten, QLatin1Char('0'));
    return integerPart.rightJustified(vorne, fillvorne) + QLatin1Char(',') + fraction + Einheit;
}

std::optional<qint64> parseIntegerText(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') || text[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') && text[i + 1] == QLatin1Char('x')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;

    // Accumulate the magnitude as unsigned so that the most negative value still fits.
    quint64 magnitude = 0;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        if (magnitude > (limit - quint64(digit)) / quint64(base))
            return std::nullopt;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    if (negative)
        return magnitude == limit ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
    return qint64(magnitude);
}

qint64 clampedInteger(const QString &text, qint64 max)
{
    qint64 value = parseIntegerText(text).value_or(0);
    if (value > max)
        value = max;
    if (value < 0)
        value = 0;
    return value;
}

double decimalValue(const QString &text, int /*nachkomma*/)
{
    QString cut = text;
    qsizetype last = cut.size() - 1;
    while (last >= 0 && !(cut[last] >= QLatin1Char('0') && cut[last] <= QLatin1Char('9')))
        --last;
    if (cut.isEmpty())
        cut = QStringLiteral("0");
    else if (last < 0)
        cut = cut.left(1);
    else
        cut.truncate(last + 1);
    cut.replace(QLatin1Char('.'), QLatin1Char(','));

    static const QRegularExpression number(
        QStringLiteral("^ *[+-]?(?:[0-9]+(?:,[0-9]*)?|,[0-9]+)(?:[eE][+-]?[0-9]+)?$"));
    if (!number.match(cut).hasMatch())
        return 0.0;
    cut.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = cut.trimmed().toDouble(&ok);
    return (ok && std::isfinite(value)) ? value : 0.0;
}

qint64 powerOfTwo(int exponent)
{
    if (exponent < 0 || exponent > 62)
        return 0;
    return qint64(1) << exponent;
}

QString secondsText(double seconds, const QString &unit)
{
    return fixedPointText(seconds, 99999, 3, 3, QLatin1Char(' '), unit);
}
