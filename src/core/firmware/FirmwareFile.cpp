#include "core/firmware/FirmwareFile.h"

#include "core/config/NumberText.h"
#include "core/files/TextLines.h"
#include "core/firmware/DataLine.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/FirmwareTexts.h"

#include <QList>

namespace {

constexpr int LabelLength = 6;

QString headerValue(const QStringList &lines, int index)
{
    return lines.value(index).mid(LabelLength);
}

} // namespace

FirmwareFile::FirmwareFile()
    : m_image(std::make_unique<ProgramImage>())
{
    reset();
}

QStringList FirmwareFile::decode(const QByteArray &bytes)
{
    return decodeTextLines(bytes);
}

void FirmwareFile::reset()
{
    // A row that runs past the file's data takes the image's other entries: they must not
    // hold what an earlier file left there.
    m_image->fill(0);
    m_deviceText.clear();
    m_versionText.clear();
    m_releaseDateText.clear();
    m_refusalText.clear();
    m_versionMajor = 0;
    m_versionMinor = 0;
    m_startAddress = 0;
    m_addressCount = 0;
    m_fileChecksum = 0;
    m_instructions = 0;
    m_refusal = Refusal::NothingRead;
}

FirmwareFile::Outcome FirmwareFile::parse(const QStringList &lines, FirmwareReport &report)
{
    reset();
    m_deviceText = headerValue(lines, 0);
    m_versionText = headerValue(lines, 1);
    m_releaseDateText = headerValue(lines, 3);

    // Without a point the version cannot be compared with the module's, and the data are
    // not read: such a file must not offer an update.
    const qsizetype point = m_versionText.indexOf(QLatin1Char('.'));
    if (point < 0)
        return refuse(Refusal::NoVersionPoint, FirmwareTexts::NoVersionPoint, report);
    if (const auto major = fileInteger(QStringView(m_versionText).left(point))) {
        m_versionMajor = *major;
        m_versionMinor = fileInteger(QStringView(m_versionText).mid(point + 1)).value_or(0);
    }

    QList<QStringView> dataLines;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char(':')))
            dataLines << QStringView(line).mid(1, 10);
    }
    if (dataLines.isEmpty())
        return fail();

    const std::optional<DataLineValue> start = split32(dataLines.first());
    if (!start)
        return fail();
    m_startAddress = quint16(start->H << 8 | start->L);
    m_fileChecksum = start->byteSum;

    ProgramImage &image = *m_image;
    for (qsizetype k = 1; k + 1 < dataLines.size(); ++k) {
        const std::optional<DataLineValue> value = split32(dataLines[k]);
        if (!value)
            return fail();
        m_fileChecksum = quint16(m_fileChecksum + value->byteSum);
        const auto address = quint16(m_startAddress + m_addressCount);
        image[address] = value->U;
        image[quint16(address + 1)] = quint16(value->H << 8 | value->L);
        m_addressCount = quint16(m_addressCount + 2);
        ++m_instructions;
    }
    report.diagnostic(FirmwareTexts::CountedAddressLines + hexText(m_addressCount, 4));

    const std::optional<qint32> stated = fileInteger(dataLines.last().mid(5, 5));
    if (!stated)
        return fail();
    if (*stated != m_fileChecksum)
        return refuse(Refusal::WrongChecksum, FirmwareTexts::WrongChecksum, report);

    if (m_startAddress % ProgramMemory::AddressUnitsPerPage != 0) {
        return refuse(Refusal::StartNotOnPage,
                      FirmwareTexts::StartNotOnPage.arg(hexText(m_startAddress, 4)), report);
    }
    if (m_instructions > ProgramMemory::MaxInstructions) {
        return refuse(Refusal::TooManyRows,
                      FirmwareTexts::TooManyRows.arg(m_instructions).arg(ProgramMemory::MaxInstructions),
                      report);
    }
    // Addresses would wrap to 0: the module's own first page would be erased and written.
    if (m_startAddress + 2 * m_instructions > ProgramMemory::ImageEntries)
        return refuse(Refusal::BeyondMemory, FirmwareTexts::BeyondMemory, report);

    report.report({LogKind::Success, FirmwareTexts::Opened});
    report.report({LogKind::Success, FirmwareTexts::DeviceLine + m_deviceText});
    report.report({LogKind::Success, FirmwareTexts::VersionLine + m_versionText});
    report.report({LogKind::Success, FirmwareTexts::ReleaseDateLine + m_releaseDateText, LogLayout::EmptyLine});
    m_refusal = Refusal::None;
    return Outcome::Usable;
}

FirmwareFile::Outcome FirmwareFile::refuse(Refusal refusal, const QString &text, FirmwareReport &report)
{
    report.report({LogKind::Failure, text, LogLayout::EmptyLine});
    m_refusal = refusal;
    m_refusalText = text;
    return Outcome::Refused;
}

FirmwareFile::Outcome FirmwareFile::fail()
{
    m_refusal = Refusal::ReadFailed;
    return Outcome::Failed;
}
