#include "ui/radiotest/RadioTestDisplay.h"

RadioTestDisplay radioTestDisplay(bool carrierOn, bool rssiOn)
{
    RadioTestDisplay display;
    display.carrierRed = carrierOn;
    display.stopCaption = carrierOn;
    display.rssiEnabled = !carrierOn;
    display.rssiRed = rssiOn;
    display.rssiEndCaption = rssiOn;
    display.noMeasurement = !rssiOn;
    if (rssiOn) {
        display.startStopEnabled = false;
        // With the carrier on the measurement cannot be ended here; the window must not trap
        // the person then.
        display.closeEnabled = carrierOn;
    }
    return display;
}
