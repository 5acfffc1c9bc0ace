#include "core/workflow/ExchangeSteps.h"

#include <optional>

namespace Exchange {

namespace {

using A = Action;
using E = Event;

bool isReadStep(ConfigStep step)
{
    return step == ConfigStep::Reading || step == ConfigStep::Comparing || step == ConfigStep::ReadingBeforeWrite;
}

// The result a configuration operation ends with, by the step it is in.
Action configFinish(ConfigStep step)
{
    switch (step) {
    case ConfigStep::Reading: return A::FinishRead;
    case ConfigStep::Comparing: return A::FinishCompare;
    default: return A::FinishWrite;
    }
}

// A request is awaited, or the knock before it runs.
bool awaitsReply(ConfigStep step)
{
    return step != ConfigStep::Idle && step != ConfigStep::PausingBeforeWrite && step != ConfigStep::Settling
        && step != ConfigStep::PausingBeforeRestart;
}

bool isRecordWrite(RecordStep step)
{
    return step == RecordStep::RequestingWrite || step == RecordStep::SendingData || step == RecordStep::Verifying;
}

// The write's own steps, the same in a configuration write and a factory write: the write
// request, the data frame, the module's time to store it, the read back.
template <class Step>
std::optional<Transition<Step>> writeTransition(Step step, Event event)
{
    if (step == Step::RequestingWrite && event == E::Accepted)
        return Transition<Step>{Step::SendingData, {A::SendData}};
    if (step == Step::SendingData && event == E::Accepted)
        return Transition<Step>{Step::Settling, {A::PauseAfterData}};
    if (step == Step::Settling && event == E::PauseOver)
        return Transition<Step>{Step::Verifying, {A::LogDataWritten, A::SendRead}};
    if (step == Step::Verifying && event == E::Accepted)
        return Transition<Step>{Step::Verifying, {A::CheckVerify}};
    return std::nullopt;
}

} // namespace

Transition<ConfigStep> configTransition(ConfigStep step, Event event)
{
    using S = ConfigStep;
    const Transition<ConfigStep> unchanged{step, {}};
    if (event == E::Cancel)
        return step == S::Idle ? unchanged : Transition<ConfigStep>{S::Idle, {A::Abandon, configFinish(step)}};
    if (event == E::Failed)
        return awaitsReply(step) ? Transition<ConfigStep>{S::Idle, {A::ReportFailure, configFinish(step)}} : unchanged;
    if (event == E::Knock && (step == S::Idle || isReadStep(step)))
        return {step == S::Idle ? S::Reading : step, {A::Knock}};
    if (event == E::KnockDone && isReadStep(step))
        return {step, {A::SendRead}};
    if (const auto write = writeTransition(step, event))
        return *write;

    switch (step) {
    case S::Idle:
        switch (event) {
        case E::Read: return {S::Reading, {A::Knock}};
        case E::Compare: return {S::Comparing, {A::Knock}};
        case E::Write: return {S::ReadingBeforeWrite, {A::LogReadBeforeWrite, A::Knock}};
        default: break;
        }
        break;
    case S::Reading:
        if (event == E::Accepted)
            return {S::Idle, {A::ReportRead, A::TakeImage, A::FinishRead}};
        break;
    case S::Comparing:
        if (event == E::Accepted)
            return {S::Idle, {A::ReportCompared, A::FinishCompare}};
        break;
    case S::ReadingBeforeWrite:
        // The configuration stays the user's: that is what gets written.
        if (event == E::Accepted)
            return {S::PausingBeforeWrite, {A::KeepModuleWords, A::Pause}};
        break;
    case S::PausingBeforeWrite:
        if (event == E::PauseOver)
            return {S::RequestingWrite, {A::SendWriteRequest}};
        break;
    case S::Verifying:
        switch (event) {
        case E::VerifyMatched: return {S::PausingBeforeRestart, {A::ReportVerified, A::TakeImage, A::Pause}};
        // The module keeps running with what it has; the user may write again.
        case E::VerifyDiffered: return {S::Idle, {A::ReportDifferences, A::FinishWrite}};
        default: break;
        }
        break;
    case S::PausingBeforeRestart:
        if (event == E::PauseOver)
            return {S::Restarting, {A::SendRestart}};
        break;
    case S::Restarting:
        if (event == E::Accepted)
            return {S::Idle, {A::LogRestarted, A::FinishWrite}};
        break;
    default:
        break;
    }
    return unchanged;
}

Transition<RecordStep> recordTransition(RecordStep step, Event event)
{
    using S = RecordStep;
    const Transition<RecordStep> unchanged{step, {}};
    switch (event) {
    case E::Cancel:
        switch (step) {
        case S::Idle: return unchanged;
        case S::Reading: return {S::Idle, {A::Abandon, A::FinishRecordRead}};
        case S::Open: return {S::Idle, {A::FinishRecord}};
        default: return {S::Idle, {A::Abandon, A::FinishRecordWrite, A::FinishRecord}};
        }
    case E::Failed:
        if (step == S::Reading)
            return {S::Idle, {A::ReportFailure, A::LogFactoryImpossible, A::FinishRecordRead}};
        if (isRecordWrite(step))
            return {S::Open, {A::ReportFailure, A::FinishRecordWrite}};
        if (step == S::Closing)
            return {S::Idle, {A::ReportFailure, A::FinishRecordWrite, A::FinishRecord}};
        return unchanged;
    case E::Close:
        // The write stops where it is: a request under way ends by its time-out, a pause at once.
        if (isRecordWrite(step))
            return {S::Closing, {A::StopReceiving}};
        if (step == S::Settling)
            return {S::Idle, {A::Abandon, A::LogFactoryCancelled, A::FinishRecordWrite, A::FinishRecord}};
        if (step == S::Open)
            return {S::Idle, {A::FinishRecord}};
        return unchanged;
    default:
        break;
    }
    if (const auto write = writeTransition(step, event))
        return *write;

    switch (step) {
    case S::Idle:
        if (event == E::Read)
            return {S::Reading, {A::Knock}};
        break;
    case S::Reading:
        if (event == E::Knock)
            return {S::Reading, {A::Knock}};
        if (event == E::KnockDone)
            return {S::Reading, {A::SendRead}};
        if (event == E::Accepted)
            return {S::Open, {A::ReportRead, A::TakeImage, A::KeepModuleWords, A::FinishRecordRead}};
        break;
    case S::Open:
        // No question and no read first: the record was read when the window opened.
        if (event == E::Write)
            return {S::RequestingWrite, {A::SendWriteRequest}};
        break;
    case S::Verifying:
        switch (event) {
        // The module keeps running: a factory write never restarts it.
        case E::VerifyMatched:
            return {S::Open, {A::ReportVerified, A::TakeImage, A::KeepModuleWords, A::FinishRecordWrite}};
        case E::VerifyDiffered: return {S::Open, {A::KeepModuleWords, A::ReportDifferences, A::FinishRecordWrite}};
        default: break;
        }
        break;
    default:
        break;
    }
    return unchanged;
}

} // namespace Exchange
