#include "ModuleFirmware.h"

#include "ModuleChecksum.h"
#include "RequestParser.h"
#include "core/config/ConsistencyRules.h"
#include "core/link/DeviceConstants.h"
#include "core/outputs/DigTab.h"

#include <utility>

namespace {

constexpr quint8 Start = RequestParser::StartByte;
static_assert(RequestParser::DataFrameLength == 4 + PayloadBytes);

QByteArray replyFrame(quint8 command, quint8 byte2, quint8 byte3, QByteArrayView payload = {})
{
    QByteArray frame;
    frame.reserve(6 + payload.size());
    frame.append(char(Start)).append(char(command)).append(char(byte2)).append(char(byte3));
    frame.append(payload);
    const quint16 sum = ModuleChecksum::of(frame);
    frame.append(char(sum >> 8)).append(char(sum & 0xFF));
    return frame;
}

} // namespace

ModuleFirmware::ModuleFirmware()
{
    setImage(factoryImage());
}

ConfigWords ModuleFirmware::factoryImage()
{
    ConfigWords image{};
    setDefaultWords(image);
    DigTable table;
    setDefaultAssignment(table);
    writeOutputWords(table, image);
    applyConsistencyRules(image);
    image[Word::Counter] = 7;
    image[Word::Day] = 5;
    image[Word::MonthYear] = 0x030D; // March 2013
    image[Word::Serial] = 345;
    image[Word::DateCode] = 1234;
    image[Word::Customer] = 12;
    // Calibration of the analogue input and output: gains in the odd words, offsets below.
    for (int w = Word::CalibrationFirst; w <= Word::CalibrationLast; ++w)
        image[w] = (w % 2 == 0) ? quint16(100 + w) : quint16(16384 + 37 * w);
    image[Word::Checksum] = imageChecksum(image);
    return image;
}

void ModuleFirmware::setImage(const ConfigWords &image)
{
    m_image = image;
    for (int w = 0; w < ImageWords; w += 2)
        m_image[w] &= 0x00FF;
}

QList<ModuleFirmware::Answer> ModuleFirmware::receive(QByteArrayView bytes)
{
    // Bytes that follow the boot command or the reset frame belong to the program that runs
    // next, however the line happened to deliver them.
    QList<Answer> answers;
    QByteArray pending(bytes.data(), bytes.size());
    while (!pending.isEmpty()) {
        if (m_bootloader.isRunning()) {
            answers += m_bootloader.receive(pending);
            pending = m_bootloader.takeRest();
        } else {
            answers += receiveApplication(pending);
            pending = m_bootloader.isRunning() ? std::exchange(m_input, QByteArray()) : QByteArray();
        }
    }
    return answers;
}

QList<ModuleFirmware::Answer> ModuleFirmware::receiveApplication(QByteArrayView bytes)
{
    using Step = RequestParser::ApplicationStep;
    m_input.append(bytes);
    QList<Answer> answers;
    for (;;) {
        const Step step = RequestParser::parseApplicationStep(m_input, m_expectData);
        if (step.kind == Step::Kind::NeedMore) {
            m_input.remove(0, step.consumed);
            break;
        }
        if (step.kind == Step::Kind::Rejected) {
            ++m_rejectedFrames;
            if (step.dataFrame)
                m_expectData = false;
            m_input.remove(0, step.consumed);
            continue;
        }

        const QByteArrayView frame = step.frame;
        Answer answer;
        if (step.dataFrame) {
            m_expectData = false;
            std::array<quint8, PayloadBytes> payload;
            std::copy_n(reinterpret_cast<const quint8 *>(frame.data()) + 2, PayloadBytes, payload.begin());
            setImage(unpackImage(payload));
            answer = {'3', replyFrame('4', 0, 0), 6};
            answers << answer;
        } else if (answerRequest(frame, answer)) {
            answers << answer;
        }
        m_input.remove(0, step.consumed);
        if (m_bootloader.isRunning())
            break;
    }
    return answers;
}

bool ModuleFirmware::answerRequest(QByteArrayView frame, Answer &answer)
{
    const quint8 command = quint8(frame[1]);
    m_expectData = false;
    answer.request = command;
    switch (command) {
    case '!': {
        std::array<quint8, PayloadBytes> payload;
        packImage(m_image, payload);
        answer.reply = replyFrame(0x22, version[0], version[1],
                                  QByteArrayView(reinterpret_cast<const char *>(payload.data()), PayloadBytes));
        break;
    }
    case '1':
        m_expectData = true;
        answer.reply = replyFrame('2', 0, 0);
        break;
    case 'Q':
        m_carrier = false;
        answer.reply = replyFrame('Q', 0, 0);
        break;
    case 0x60:
        m_carrier = true;
        answer.reply = replyFrame(0x60, 0, 0);
        break;
    case 'a':
        answer.reply = replyFrame('a', 0, rssi);
        break;
    case 'w':
        for (int i = 0; i < 4; ++i) {
            if (quint8(frame[2 + i]) != Device::BootGuard[i])
                return false;
        }
        answer.reply = replyFrame('w', version[0], version[1]);
        answer.event = Answer::Event::BootloaderEntered;
        enterBootloader();
        break;
    default:
        return false; // a command this firmware does not know
    }
    answer.frameLength = int(answer.reply.size());
    if (command == 'Q')
        answer.reply.append(resetChatter);
    return true;
}

void ModuleFirmware::enterBootloader()
{
    ++m_bootRequests;
    m_expectData = false;
    m_carrier = false; // the application, and with it the carrier, stops
    m_bootloader.start();
}
