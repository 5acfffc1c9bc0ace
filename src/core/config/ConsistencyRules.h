#pragma once

#include "core/config/ConfigImage.h"

// The rules that keep an image valid. The display refresh applies them one by one,
// interleaved with showing the words they touch, so each rule is its own function.
void applyTimeoutRule(ConfigWords &image);      // radio timeout >= 2,5 s; reset time from it
void applyRs485CycleRule(ConfigWords &image);   // RS485 cycle below half its timeout, >= 5
void applyRadioCycleRule(ConfigWords &image);   // radio cycle below a third of the timeout, >= 90
void applyTimerNo1Rule(ConfigWords &image);     // timerNo1 >= 50
void applyTimerNo2Rule(ConfigWords &image);     // timerNo2 = radio cycle - 30
void applySelfSentRule(ConfigWords &image);     // selfsent = radio cycle / 50
void applyAddressRule(ConfigWords &image);      // master 1..99, slaves 0..99
void applyAnalogSourceRule(ConfigWords &image); // analogue sources 0..4

// All eight rules in their order.
void applyConsistencyRules(ConfigWords &image);

void applyRoleRule(ConfigWords &image);   // a master is station 0
// What showing an image makes of it: the role rule, then the eight rules.
void applyShownRules(ConfigWords &image);

// A timeout too short for its cycle is shown in red.
bool rs485TimeoutTooShort(const ConfigWords &image);
bool radioTimeoutTooShort(const ConfigWords &image);
