// Files of the wrong kind chosen in the file dialogs: the main window's "Laden" and the firmware
// update window. Each is refused before it is read, with its reason in the log, and changes
// nothing. A FIFO or a device that was read would never end: such a row hangs until CTest's
// time-out ends it.
#include "FirmwareFileWriter.h"
#include "common/RunningProgram.h"
#include "core/files/BoundedFile.h"
#include "core/firmware/FirmwareUpdate.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/firmware/TFhexfile.h"
#include "ui/main/Program.h"
#include "ui/main/TFVelka.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <sys/stat.h>

namespace {

using Lines = QList<QPair<QString, QColor>>;
const QColor Red(255, 0, 0);
const QString TimeLine = QStringLiteral(" -14:05:09-");

Lines logOf(const QTextEdit *log)
{
    Lines lines;
    for (const LogLine &line : logLines(log))
        lines << qMakePair(line.text, line.text.isEmpty() ? QColor() : line.colour);
    return lines;
}

QByteArray configText(quint16 word30)
{
    QByteArray text = ">>DATA\r\n";
    for (int w = 0; w < 256; ++w)
        text += QByteArray::number(w == 30 ? word30 : 0) + "\r\n";
    return text + "<<DATA\r\n";
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file of `size` bytes without writing them (a sparse file): it is refused by its size alone.
bool sizedFile(const QString &path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void refused_changesNothing_data();
    void refused_changesNothing();
    void configAtTheLimit_loads();
    void smallFile_holdsNoBufferOfTheLimit();

private:
    // The path for a row's kind of file, made in the temporary folder; empty with `skip` set
    // when this machine cannot make it.
    QString badFile(const QString &kind, QString *skip);
    void refusedConfig(const QString &path, const QString &reason);
    void refusedFirmware(const QString &path, const QString &reason);

    std::unique_ptr<RunningProgram> m_run;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestBadFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_run = std::make_unique<RunningProgram>();
    QString error;
    QVERIFY2(m_run->start(&error), qPrintable(error));
    m_run->sim().setCountdownInterval(100);
}

void TestBadFiles::cleanup()
{
    m_run.reset();
    // The unreadable file's folder must be removable.
    if (m_dir)
        QFile::setPermissions(m_dir->filePath(QStringLiteral("locked.VMC")), QFile::ReadOwner | QFile::WriteOwner);
    m_dir.reset();
}

QString TestBadFiles::badFile(const QString &kind, QString *skip)
{
    const QString path = m_dir->filePath(QStringLiteral("bad.file"));
    if (kind == QLatin1String("fifo"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
    if (kind == QLatin1String("device"))
        return QStringLiteral("/dev/zero");
    if (kind == QLatin1String("folder"))
        return m_dir->path();
    if (kind == QLatin1String("missing"))
        return path;
    if (kind == QLatin1String("unreadable")) {
        const QString locked = m_dir->filePath(QStringLiteral("locked.VMC"));
        if (!writeFile(locked, configText(4)) || !QFile::setPermissions(locked, {}))
            return QString();
        QFile probe(locked);
        if (!probe.open(QIODevice::ReadOnly))
            return locked;
        // Permissions do not stop root; a write-only attribute of the kernel does.
        const QString writeOnly = QStringLiteral("/sys/bus/cpu/uevent");
        if (QFileInfo(writeOnly).isFile() && !QFile(writeOnly).open(QIODevice::ReadOnly))
            return writeOnly;
        *skip = QStringLiteral("permissions do not stop this user, and no write-only file was found");
        return locked;
    }
    if (kind == QLatin1String("read fails"))
        return QStringLiteral("/proc/self/mem"); // a regular file whose first byte cannot be read
    if (kind == QLatin1String("config 1 MB + 1"))
        return sizedFile(path, ConfigFileMaxBytes + 1) ? path : QString();
    if (kind == QLatin1String("firmware 16 MB + 1"))
        return sizedFile(path, FirmwareFileMaxBytes + 1) ? path : QString();
    return QString();
}

void TestBadFiles::refused_changesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("firmware"); // the update window's file, else the main window's
    QTest::addColumn<QString>("reason"); // %1: the file's name
    const QString notRegular = QStringLiteral("keine gewöhnliche Datei: %1");
    const QString unreadable = QStringLiteral("Datei kann nicht geöffnet werden: %1 (Permission denied)");
    const QString readFails = QStringLiteral("Datei kann nicht gelesen werden: %1 (Input/output error)");
    for (const bool firmware : {false, true}) {
        const char *window = firmware ? "firmware" : "configuration";
        QTest::addRow("FIFO, %s", window) << "fifo" << firmware << notRegular;
        QTest::addRow("/dev/zero, %s", window) << "device" << firmware << notRegular;
        QTest::addRow("folder, %s", window) << "folder" << firmware << notRegular;
        QTest::addRow("missing, %s", window) << "missing" << firmware << "Datei nicht gefunden: %1";
        QTest::addRow("unreadable, %s", window) << "unreadable" << firmware << unreadable;
        QTest::addRow("read fails, %s", window) << "read fails" << firmware << readFails;
    }
    QTest::newRow("1 MB + 1 byte, configuration")
        << "config 1 MB + 1" << false << "Datei zu groß (1048577 Bytes, höchstens 1048576 Bytes): %1";
    QTest::newRow("16 MB + 1 byte, firmware")
        << "firmware 16 MB + 1" << true << "Datei zu groß (16777217 Bytes, höchstens 16777216 Bytes): %1";
}

void TestBadFiles::refused_changesNothing()
{
    QFETCH(QString, kind);
    QFETCH(bool, firmware);
    QFETCH(QString, reason);
    QString skip;
    const QString path = badFile(kind, &skip);
    QVERIFY(!path.isEmpty());
    if (!skip.isEmpty())
        QSKIP(qPrintable(skip));
    const QString expected = reason.arg(QDir::toNativeSeparators(path));
    if (firmware)
        refusedFirmware(path, expected);
    else
        refusedConfig(path, expected);
}

void TestBadFiles::refusedConfig(const QString &path, const QString &reason)
{
    // A good file first: its name, its lines and its image are what must stay.
    const QString good = m_dir->filePath(QStringLiteral("good.VMC"));
    QVERIFY(writeFile(good, configText(4)));
    m_run->ui.openNames << good;
    m_run->control<QAction>(QStringLiteral("MLaden"))->trigger();
    QVERIFY(m_run->logContains(QStringLiteral("Datei geladen: ") + QDir::toNativeSeparators(good)));
    m_run->document().setWord(31, 900); // and an edit since
    const ConfigWords image = m_run->document().configImage();
    const QString fileText = m_run->control<QPlainTextEdit>(QStringLiteral("MemoFile"))->toPlainText();
    const QString panel = m_run->window().statusPanelText(1);
    const Lines before = m_run->newLogLines();
    QSignalSpy beeps(&m_run->window(), &TFVelka::beeped);

    m_run->ui.openNames << path;
    m_run->control<QAction>(QStringLiteral("MLaden"))->trigger();

    QCOMPARE(m_run->newLogLines().mid(before.size()),
             (Lines{{TimeLine, Red}, {"Fehler bei Datei Laden", Red}, {reason, Red}, {"", QColor()}}));
    QCOMPARE(beeps.count(), 1);
    QCOMPARE(m_run->document().configImage(), image);
    QCOMPARE(m_run->control<QPlainTextEdit>(QStringLiteral("MemoFile"))->toPlainText(), fileText);
    QCOMPARE(m_run->window().statusPanelText(1), panel);
    // The dialog offers the file that loaded, not the one refused.
    m_run->control<QAction>(QStringLiteral("MLaden"))->trigger(); // cancelled
    QCOMPARE(m_run->ui.fileRequests.last().initialName, good);
}

void TestBadFiles::refusedFirmware(const QString &path, const QString &reason)
{
    FirmwareUpdate &update = m_run->program().firmwareUpdate();
    auto showWindow = [this](const std::function<void(TFhexfile *)> &body) {
        bool ran = false;
        whileModal([&](QWidget *dialog) {
            ran = true;
            body(qobject_cast<TFhexfile *>(dialog));
        });
        m_run->control<QAction>(QStringLiteral("MFirmware"))->trigger();
        QVERIFY(ran);
    };

    // A good file first: what it left must stay.
    FirmwareFileWriter writer;
    writer.version = QStringLiteral("1.31");
    for (int i = 0; i < 64; ++i)
        writer.instructions << quint32(0x10000 + i);
    const QString good = m_dir->filePath(QStringLiteral("good.qvx"));
    QVERIFY(writeFile(good, writer.bytes()));
    m_run->ui.openNames << good;
    showWindow([this](TFhexfile *window) {
        QTRY_VERIFY(::control<QPushButton>(window, "ButProg")->isEnabled()); // the start window is open
        ::control<QPushButton>(window, "ButClose")->click(); // the module leaves its bootloader
    });
    QTRY_VERIFY(!m_run->sim().bootloaderRunning());
    const QString diagnostics = ::control<QPlainTextEdit>(m_run->program().Fhexfile(), "Memo1")->toPlainText();
    const QString version = update.file().versionText();
    QVERIFY(version == QLatin1String("1.31"));
    const std::vector<quint16> image(update.file().progImage().begin(), update.file().progImage().end());
    m_run->sim().clearReceived();
    QSignalSpy beeps(m_run->program().Fhexfile(), &TFhexfile::beeped);

    m_run->ui.openNames << path;
    showWindow([&](TFhexfile *window) {
        const Lines lines = logOf(::control<QTextEdit>(window, "MInfo"));
        QCOMPARE(lines.mid(3), (Lines{{TimeLine, Red}, {"Fehler bei Datei Laden", Red}, {reason, Red}, {"", QColor()}}));
        QVERIFY(!::control<QPushButton>(window, "ButProg")->isEnabled());
        window->close();
    });
    QCOMPARE(beeps.count(), 1);
    QCOMPARE(update.stage(), FirmwareUpdate::Stage::Idle);
    QCOMPARE(::control<QPlainTextEdit>(m_run->program().Fhexfile(), "Memo1")->toPlainText(), diagnostics);
    QCOMPARE(update.file().versionText(), version);
    QVERIFY(std::equal(image.begin(), image.end(), update.file().progImage().begin()));
    QCOMPARE(m_run->sim().received(), QByteArray()); // no boot command: the module is not touched
}

void TestBadFiles::configAtTheLimit_loads()
{
    // 256 values and a comment that fills the file to the byte: the limit itself is allowed.
    QByteArray text = configText(4) + ">>COMMENT\r\n";
    const QByteArray end = "\r\n<<COMMENT\r\n";
    text += QByteArray(ConfigFileMaxBytes - text.size() - end.size(), 'x') + end;
    QCOMPARE(text.size(), ConfigFileMaxBytes);
    const QString path = m_dir->filePath(QStringLiteral("large.VMC"));
    QVERIFY(writeFile(path, text));
    m_run->ui.openNames << path;
    m_run->control<QAction>(QStringLiteral("MLaden"))->trigger();
    QVERIFY(m_run->logContains(QStringLiteral("Datei geladen: ") + QDir::toNativeSeparators(path)));
    QCOMPARE(int(m_run->document().word(30)), 4);
}

void TestBadFiles::smallFile_holdsNoBufferOfTheLimit()
{
    const QString path = m_dir->filePath(QStringLiteral("small.qvx"));
    QVERIFY(writeFile(path, "Velka\r\n"));
    const BoundedFile file = readBoundedFile(path, FirmwareFileMaxBytes);
    QVERIFY(file.ok());
    QCOMPARE(file.bytes, QByteArray("Velka\r\n"));
    // Read whole, not into a buffer as large as what a file may have.
    QVERIFY2(file.bytes.capacity() < 4096, qPrintable(QString::number(file.bytes.capacity())));
}

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
