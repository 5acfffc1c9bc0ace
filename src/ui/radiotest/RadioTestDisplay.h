#pragma once

// What the radio test window shows for a state of the carrier and of the signal-strength
// measurement: its colours, captions and which buttons can be pressed.
struct RadioTestDisplay
{
    bool carrierRed = false;      // the carrier panel: red while the carrier is on
    bool startStopEnabled = true;
    bool stopCaption = false;     // the button stops the carrier (else it starts it)
    bool rssiRed = false;         // the signal-strength panel: red while measuring
    bool rssiEnabled = true;
    bool rssiEndCaption = false;  // the button ends the measurement
    bool closeEnabled = true;
    bool noMeasurement = true;    // no value: "---" and an empty bar
};

// The measurement's settings of the buttons win over the carrier's. The window can always be
// left while the carrier is on, even when a measurement runs.
RadioTestDisplay radioTestDisplay(bool carrierOn, bool rssiOn);
