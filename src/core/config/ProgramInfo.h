#pragma once

#include <QString>

// Version and maker details shown in the title, the about window and saved files.
namespace ProgramInfo {
inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 30;
inline constexpr const char *ReleaseMonth = "03/2013";

// The maker's web presence; a reserved example domain so nothing points at a real third party.
inline constexpr const char *MakerName = "Velka Funktechnik";
inline constexpr const char *MakerHost = "www.velka-funk.example";
inline constexpr const char *MakerUrl = "https://www.velka-funk.example/";
inline constexpr const char *SupportMail = "support@velka-funk.example";

// "1.30": the minor number always with at least two digits.
inline QString versionText()
{
    return QString::number(VersionMajor) + QLatin1Char('.')
        + QStringLiteral("%1").arg(VersionMinor, 2, 10, QLatin1Char('0'));
}
} // namespace ProgramInfo
