// Rows of a generated firmware file through the tool's link to the simulated module's
// bootloader on a real pseudo-terminal: what lands in its program memory, and how every
// bootloader fault ends the row.
#include "BootFault.h"
#include "FirmwareFileWriter.h"
#include "ModuleSimulator.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareReport.h"
#include "core/firmware/RowTable.h"
#include "core/link/BootloaderSession.h"
#include "common/LinkedSession.h"
#include "core/link/DeviceLink.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr quint32 Erased = 0xFFFFFF;
constexpr int RowUnits = 128;
constexpr int PageUnits = 1024;

quint32 instruction(int address)
{
    return quint32(address * 2654435761u) & 0xFFFFFF & ~quint32(0x010000); // never all ones
}

} // namespace

class TestRowTransfer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void generatedFile_landsInProgramMemoryInstructionForInstruction();
    void bootloaderFault_endsTheRowWithItsText_data();
    void bootloaderFault_endsTheRowWithItsText();

private:
    bool enterBootloader();
    // Hands every row to write to the bootloader; the results of rowEnded in order.
    QList<bool> transfer(const RowTable &table, QStringList *errors = nullptr);

    std::unique_ptr<ModuleSimulator> m_sim;
    std::unique_ptr<LinkedSession> m_lines;
    std::unique_ptr<BootloaderSession> m_bootloader;
};

void TestRowTransfer::init()
{
    m_sim = std::make_unique<ModuleSimulator>();
    QVERIFY(m_sim->open());
    const QString device = m_sim->devicePath();
    m_lines = std::make_unique<LinkedSession>([device](const QString &name) {
        return name == QLatin1String("COM1") ? device : QStringLiteral("/nonexistent/") + name;
    });
    m_lines->link.ports().start();
    // A row frame's reply is given up after 400 ms: the silent module ends its row soon.
    m_bootloader = std::make_unique<BootloaderSession>(m_lines->session.engine(), 400);
}

void TestRowTransfer::cleanup()
{
    m_bootloader.reset();
    m_lines.reset();
    m_sim.reset();
}

bool TestRowTransfer::enterBootloader()
{
    QSignalSpy answered(m_bootloader.get(), &BootloaderSession::bootAnswered);
    m_bootloader->enterBootloader();
    return answered.wait(3000) && m_sim->bootloaderRunning();
}

QList<bool> TestRowTransfer::transfer(const RowTable &table, QStringList *errors)
{
    QSignalSpy ended(m_bootloader.get(), &BootloaderSession::rowEnded);
    QList<bool> results;
    for (const FirmwareRow &row : table.rows()) {
        if (!row.toWrite)
            continue;
        ended.clear();
        m_bootloader->writeRow({row.address, row.erasesPage, row.data});
        if (!ended.wait(5000))
            break;
        results << ended.first().at(0).toBool();
        if (errors)
            *errors << ended.first().at(1).toString();
        if (!results.last())
            break;
    }
    return results;
}

void TestRowTransfer::generatedFile_landsInProgramMemoryInstructionForInstruction()
{
    // Two pages from 0x0400: the first page's rows 3..7 are erased rows, the second page's
    // first row is all 0xFF and only its rows 1 and 2 carry code.
    constexpr int Start = 0x0400;
    FirmwareFileWriter writer;
    writer.startAddress = Start;
    for (int row = 0; row < 11; ++row) {
        for (int i = 0; i < 64; ++i) {
            const int address = Start + row * RowUnits + 2 * i;
            const bool erased = (row >= 3 && row <= 7) || row == 8;
            writer.instructions << (erased ? Erased : instruction(address));
        }
    }
    SilentFirmwareReport report;
    FirmwareFile file;
    QCOMPARE(file.parse(writer.lines(), report), FirmwareFile::Outcome::Usable);
    RowTable table;
    QVERIFY(table.build(file, report));
    QCOMPARE(table.rowCount(), 11);
    QCOMPARE(table.rowsToWrite(), 6); // rows 0..2, and 8 (for its page) to 10

    std::vector<quint32> expected = m_sim->programMemory();
    for (int address = Start; address < Start + 2 * PageUnits; address += 2)
        expected[size_t(address / 2)] = Erased; // both pages are erased before they are written
    for (int i = 0; i < writer.instructions.size(); ++i)
        expected[size_t(Start / 2 + i)] = writer.instructions[i];
    QVERIFY(expected != m_sim->programMemory());

    QVERIFY(enterBootloader());
    QSignalSpy written(m_sim.get(), &ModuleSimulator::rowWritten);
    QCOMPARE(transfer(table), (QList<bool>{true, true, true, true, true, true}));
    QCOMPARE(written.count(), 6);
    QCOMPARE(written.at(3).at(0).value<quint32>(), quint32(Start + 8 * RowUnits));
    QVERIFY(m_sim->programMemory() == expected);

    QSignalSpy left(m_sim.get(), &ModuleSimulator::bootloaderLeft);
    m_bootloader->leave();
    QVERIFY(left.wait(3000));
    QVERIFY(!m_sim->bootloaderRunning());
}

void TestRowTransfer::bootloaderFault_endsTheRowWithItsText_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("stored"); // the module carried the frame out all the same

    QTest::newRow("error reply to the row data") << 0x05 << "error-reply:42"
                                                 << "Fehlermeldung [42] vom Gerät erhalten" << false;
    QTest::newRow("no reply to the finish") << 0x07 << "silent" << "timeout" << false;
    QTest::newRow("bad checksum on the announce") << 0x03 << "bad-checksum" << "Fehler Checksumme" << false;
    QTest::newRow("wrong length on the announce") << 0x03 << "wrong-length"
                                                  << "fehlerhafte Datenanzahl erhalten6" << false;
    QTest::newRow("missing end byte on the row data") << 0x05 << "missing-end"
                                                      << "fehlerhafter Empfangsabschluss" << false;
    QTest::newRow("wrong command to the finish") << 0x07 << "other-command"
                                                 << "ungültige Antwort bei Schreibbefehl#3" << true;
}

void TestRowTransfer::bootloaderFault_endsTheRowWithItsText()
{
    QFETCH(int, command);
    QFETCH(QString, fault);
    FirmwareFileWriter writer;
    writer.startAddress = 0x0800;
    for (int i = 0; i < 2 * 64; ++i)
        writer.instructions << instruction(i);
    SilentFirmwareReport report;
    FirmwareFile file;
    QCOMPARE(file.parse(writer.lines(), report), FirmwareFile::Outcome::Usable);
    RowTable table;
    QVERIFY(table.build(file, report));

    m_sim->setBootFault(1, quint8(command), *BootFault::parse(fault)); // the second row
    QVERIFY(enterBootloader());
    QSignalSpy written(m_sim.get(), &ModuleSimulator::rowWritten);
    QStringList errors;
    QCOMPARE(transfer(table, &errors), (QList<bool>{true, false}));
    QTEST(errors.last(), "error");
    QCOMPARE(m_lines->session.monitor().linkState(), LinkState::error);
    // The finish is what writes a row: whether the second one is in memory depends only on
    // whether the module carried its finish out.
    QFETCH(bool, stored);
    QCOMPARE(written.count(), stored ? 2 : 1);
}

QTEST_GUILESS_MAIN(TestRowTransfer)
#include "tst_rowtransfer.moc"
