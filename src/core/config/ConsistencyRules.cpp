#include "core/config/ConsistencyRules.h"

#include <cmath>

namespace {
// Nearest integer, an exact half to the even neighbour (the module tool's usual rounding).
quint16 rounded(double value)
{
    return quint16(std::nearbyint(value));
}
} // namespace

void applyTimeoutRule(ConfigWords &w)
{
    if (w[Word::RadioTimeout] <= 250) {
        w[Word::RadioTimeout] = 250;
        w[Word::ResetTime] = 150;
    } else if (w[Word::RadioTimeout] > 7500) {
        w[Word::ResetTime] = 4400;
    } else {
        w[Word::ResetTime] = quint16(rounded(w[Word::RadioTimeout] / 1.75) + 100);
    }
}

void applyRs485CycleRule(ConfigWords &w)
{
    if (2 * int(w[Word::Rs485Cycle]) >= int(w[Word::Rs485Timeout]))
        w[Word::Rs485Cycle] = rounded(w[Word::Rs485Timeout] / 1.5);
    if (w[Word::Rs485Cycle] < 5)
        w[Word::Rs485Cycle] = 5;
}

void applyRadioCycleRule(ConfigWords &w)
{
    if (3 * int(w[Word::RadioCycle]) >= int(w[Word::RadioTimeout]))
        w[Word::RadioCycle] = rounded(w[Word::RadioTimeout] / 3.0);
    if (w[Word::RadioCycle] < 90)
        w[Word::RadioCycle] = 90;
}

void applyTimerNo1Rule(ConfigWords &w)
{
    if (w[Word::TimerNo1] < 50)
        w[Word::TimerNo1] = 50;
}

void applyTimerNo2Rule(ConfigWords &w)
{
    w[Word::TimerNo2] = quint16(w[Word::RadioCycle] - 30);
}

void applySelfSentRule(ConfigWords &w)
{
    w[Word::SelfSent] = quint16(w[Word::RadioCycle] / 50);
}

void applyAddressRule(ConfigWords &w)
{
    if (w[Word::MasterAddress] == 0)
        w[Word::MasterAddress] = 1;
    if (w[Word::MasterAddress] >= 100)
        w[Word::MasterAddress] = 99;
    for (int address : {Word::Slave1Address, Word::Slave2Address, Word::Slave3Address,
                        Word::Slave4Address}) {
        if (w[address] >= 100)
            w[address] = 99;
    }
}

void applyAnalogSourceRule(ConfigWords &w)
{
    for (int address : {Word::AnalogSource1, Word::AnalogSource2}) {
        if (w[address] > 4)
            w[address] = 0;
    }
}

void applyConsistencyRules(ConfigWords &w)
{
    applyTimeoutRule(w);
    applyRs485CycleRule(w);
    applyRadioCycleRule(w);
    applyTimerNo1Rule(w);
    applyTimerNo2Rule(w);
    applySelfSentRule(w);
    applyAddressRule(w);
    applyAnalogSourceRule(w);
}

void applyRoleRule(ConfigWords &w)
{
    if (w[Word::ConfigBits] & MasterBit)
        w[Word::Station] = 0;
}

bool rs485TimeoutTooShort(const ConfigWords &w)
{
    return 2 * int(w[Word::Rs485Cycle]) >= int(w[Word::Rs485Timeout]);
}

bool radioTimeoutTooShort(const ConfigWords &w)
{
    return 4 * int(w[Word::RadioCycle]) >= int(w[Word::RadioTimeout]);
}
