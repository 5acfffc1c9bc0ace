#pragma once

#include "core/config/ConfigImage.h"

// The rules that keep an image valid, each its own function so each can be tested at its
// limits. The configuration document applies them, in the order applyConsistencyRules() has.
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

// A timeout too short for its cycle is shown in red.
bool rs485TimeoutTooShort(const ConfigWords &image);
bool radioTimeoutTooShort(const ConfigWords &image);
