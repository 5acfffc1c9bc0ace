#pragma once

#include <QList>
#include <QObject>

// The decisions of the configuration exchanges, as pure functions from (step, event) to
// (next step, actions). The workflows only carry the actions out; what happens next is read
// here and nowhere else.
namespace Exchange {
Q_NAMESPACE

// What can happen to an exchange. A reply outcome is an event only for the request the
// workflow awaits; any other reply (a late one, another window's) never is.
enum class Event {
    Read,           // verbs
    Compare,
    Write,
    Knock,          // the hidden knock button: knock and read in whatever read step
    Close,          // the factory window closes
    Cancel,         // another operation takes the module, or its window gives it up
    KnockDone,      // the last burst of the knock went out
    Accepted,       // the awaited reply came and passed every check
    Failed,         // the awaited request failed: time-out, faulty reply, port unavailable or lost
    PauseOver,      // the pause before the next request is over
    VerifyMatched,  // the verify read brought back every word written
    VerifyDiffered,
};
Q_ENUM_NS(Event)

// What the workflow does, in the order given.
enum class Action {
    Abandon,            // the awaited reply, the knock and the pause given up
    StopReceiving,      // the awaited reply takes no more bytes: it ends by its time-out
    LogReadBeforeWrite, // "alte Parameter vor Neuprogrammierung auslesen..."
    Knock,              // eight bursts of zero bytes, then KnockDone
    SendRead,           // the read request '!'
    ReportRead,         // "Daten ausgelesen", or the checksum error lines
    ReportCompared,     // the same for a comparison
    KeepModuleWords,    // the module's own words from the image read, for the next write
    TakeImage,          // the image read becomes the user's configuration
    Pause,              // the follow-up interval, then PauseOver
    PauseAfterData,     // until 200 ms after the data frame (the follow-up at least)
    SendWriteRequest,   // write image stamped and packed, write request '1'
    SendData,           // the data frame '3'
    LogDataWritten,     // "Daten geschrieben", "jetzt verify..."
    CheckVerify,        // the read back compared with the image written: VerifyMatched or VerifyDiffered
    ReportVerified,     // "Verify ok", or the checksum error lines
    ReportDifferences,  // every differing address, "!!! FEHLER Verify !!!"
    SendRestart,        // the restart request 'Q'
    LogRestarted,       // "Gerät neu gestartet"
    ReportFailure,      // "Fehler bei Kommunikation" and the link's text
    LogFactoryImpossible, // "Kalibriervorgang kann nicht gestartet werden!"
    LogFactoryCancelled,  // "Vorgang "Werksdaten" vom Anwender ABGEBROCHEN!"
    FinishRead,         // the operation's one result
    FinishCompare,
    FinishWrite,
    FinishRecordRead,
    FinishRecordWrite,
    FinishRecord,       // the factory record's window closed: the record's operation ends
};
Q_ENUM_NS(Action)

using Actions = QList<Action>;

// Reading the module, comparing with it, and writing it with the read before, the verify
// read and the restart.
enum class ConfigStep {
    Idle,
    Reading,              // knock, then the read: the module's image becomes the configuration
    Comparing,            // knock, then the read: the configuration stays as it is
    ReadingBeforeWrite,   // knock, then the read: the module's own words for the write
    PausingBeforeWrite,
    RequestingWrite,      // write request '1'
    SendingData,          // data frame '3'
    Settling,             // the module stores the data before it can be read back
    Verifying,            // the read back
    PausingBeforeRestart,
    Restarting,           // restart request 'Q'
};
Q_ENUM_NS(ConfigStep)

// The factory record: read when asked for, then held open for its writes (stamped, verified,
// never followed by a restart) until its window closes.
enum class RecordStep {
    Idle,
    Reading,         // knock, then the read that fills the factory window
    Open,            // the window shows the record; nothing is awaited
    RequestingWrite,
    SendingData,
    Settling,
    Verifying,
    Closing,         // the window closed during the write: it ends by its time-out
};
Q_ENUM_NS(RecordStep)

template <class Step>
struct Transition
{
    Step next;
    Actions actions;
    bool operator==(const Transition &) const = default;
};

// What `event` does in `step`; an event a step has no use for leaves it as it is and does
// nothing.
Transition<ConfigStep> configTransition(ConfigStep step, Event event);
Transition<RecordStep> recordTransition(RecordStep step, Event event);

} // namespace Exchange
