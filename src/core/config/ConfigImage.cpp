#include "core/config/ConfigImage.h"

#include <algorithm>

void setDefaultWords(ConfigWords &image)
{
    image.fill(0);
    image[Word::Channel] = 3;
    image[Word::Power] = 4;
    image[Word::RadioCycle] = 250;
    image[Word::SystemId] = 1;
    image[Word::RadioTimeout] = 1200;
    image[Word::TimerNo1] = 50;
    image[Word::SelfSent] = 4;
    image[Word::TimerNo2] = 170;
    image[Word::MasterAddress] = 1;
    image[Word::ConfigBits] = MasterBit;
    image[Word::Slave1Address] = 2;
    image[Word::Slave2Address] = 3;
    image[Word::Rs485Address1] = 1;
    image[Word::Rs485Cycle] = 50;
    image[Word::Rs485Address2] = 2;
    image[Word::Rs485Timeout] = 110;
    image[Word::ExtensionGroups] = 4;
}

quint16 imageChecksum(const ConfigWords &image)
{
    quint16 sum = 0;
    for (int i = 0; i < Word::Checksum; ++i)
        sum = quint16(sum + image[i]);
    return sum;
}

void packImage(const ConfigWords &image, PayloadSpan payload)
{
    for (int k = 0; k < ImageWords / 2; ++k) {
        const quint16 even = image[2 * k];
        const quint16 odd = image[2 * k + 1];
        payload[3 * k] = quint8(even & 0xFF);
        payload[3 * k + 1] = quint8(odd >> 8);
        payload[3 * k + 2] = quint8(odd & 0xFF);
    }
}

ConfigWords unpackImage(ConstPayloadSpan payload)
{
    ConfigWords image{};
    for (int k = 0; k < ImageWords / 2; ++k) {
        image[2 * k] = payload[3 * k];
        image[2 * k + 1] = quint16(payload[3 * k + 1] * 256 + payload[3 * k + 2]);
    }
    return image;
}

ConfigWords prepareWriteImage(const ConfigWords &config, const ConfigWords &readBack,
                              const ProgrammingDate &date)
{
    ConfigWords out = config;
    std::copy(readBack.begin() + Word::FactoryFirst, readBack.begin() + Word::FactoryLast + 1,
              out.begin() + Word::FactoryFirst);
    out[Word::Counter] = quint16(out[Word::Counter] + 1);
    out[Word::Day] = quint16(date.day);
    out[Word::MonthYear] = quint16(date.month * 256 + date.year);
    std::copy(readBack.begin() + Word::CalibrationFirst,
              readBack.begin() + Word::CalibrationLast + 1, out.begin() + Word::CalibrationFirst);
    out[Word::Checksum] = imageChecksum(out);
    return out;
}
