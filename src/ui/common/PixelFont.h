#pragma once

#include <QFont>
#include <QString>

// The windows give their fonts in pixels, so texts keep their size on any screen.
inline QFont pixelFont(const QString &family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    if (family == QLatin1String("Courier New"))
        font.setStyleHint(QFont::TypeWriter);
    return font;
}

inline QFont arialFont(int pixels, bool bold = false)
{
    return pixelFont(QStringLiteral("Arial"), pixels, bold);
}
