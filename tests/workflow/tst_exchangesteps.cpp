// The decisions of the read/verify/write workflow and of the factory record, as the tables
// they are: step and event in, next step and actions out. No event loop, no line.
#include "core/workflow/ExchangeSteps.h"

#include <QTest>

using namespace Exchange;
using A = Action;
using E = Event;

Q_DECLARE_METATYPE(Exchange::ConfigStep)
Q_DECLARE_METATYPE(Exchange::RecordStep)
Q_DECLARE_METATYPE(Exchange::Event)
Q_DECLARE_METATYPE(Exchange::Actions)

namespace {
// The columns of a table of `Step`, and the function that adds one row to it.
template <class Step>
auto tableOf()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<Event>("event");
    QTest::addColumn<Step>("next");
    QTest::addColumn<Actions>("actions");
    return [](const char *name, Step step, Event event, Step next, const Actions &actions) {
        QTest::newRow(name) << step << event << next << actions;
    };
}
} // namespace

class TestExchangeSteps : public QObject
{
    Q_OBJECT
private slots:
    void configuration_data();
    void configuration();
    void factoryRecord_data();
    void factoryRecord();
};

void TestExchangeSteps::configuration_data()
{
    using S = ConfigStep;
    const auto row = tableOf<S>();
    // A read: knock, read, take the image.
    row("read asked", S::Idle, E::Read, S::Reading, {A::Knock});
    row("knock done", S::Reading, E::KnockDone, S::Reading, {A::SendRead});
    row("read reply", S::Reading, E::Accepted, S::Idle, {A::ReportRead, A::TakeImage, A::FinishRead});
    row("read fails", S::Reading, E::Failed, S::Idle, {A::ReportFailure, A::FinishRead});
    row("knock button in a read", S::Reading, E::Knock, S::Reading, {A::Knock});
    row("knock button when idle", S::Idle, E::Knock, S::Reading, {A::Knock});
    // A comparison takes nothing.
    row("compare asked", S::Idle, E::Compare, S::Comparing, {A::Knock});
    row("compare reply", S::Comparing, E::Accepted, S::Idle, {A::ReportCompared, A::FinishCompare});
    row("compare fails", S::Comparing, E::Failed, S::Idle, {A::ReportFailure, A::FinishCompare});
    // A write: the read before it keeps the configuration, only the module's own words.
    row("write asked", S::Idle, E::Write, S::ReadingBeforeWrite, {A::LogReadBeforeWrite, A::Knock});
    row("read before write", S::ReadingBeforeWrite, E::Accepted, S::PausingBeforeWrite, {A::KeepModuleWords, A::Pause});
    row("write request", S::PausingBeforeWrite, E::PauseOver, S::RequestingWrite, {A::SendWriteRequest});
    row("write accepted", S::RequestingWrite, E::Accepted, S::SendingData, {A::SendData});
    row("data acknowledged", S::SendingData, E::Accepted, S::Settling, {A::PauseAfterData});
    row("verify read", S::Settling, E::PauseOver, S::Verifying, {A::LogDataWritten, A::SendRead});
    row("verify reply", S::Verifying, E::Accepted, S::Verifying, {A::CheckVerify});
    row("verify agrees", S::Verifying, E::VerifyMatched, S::PausingBeforeRestart, {A::ReportVerified, A::TakeImage, A::Pause});
    row("verify differs", S::Verifying, E::VerifyDiffered, S::Idle, {A::ReportDifferences, A::FinishWrite});
    row("restart", S::PausingBeforeRestart, E::PauseOver, S::Restarting, {A::SendRestart});
    row("restarted", S::Restarting, E::Accepted, S::Idle, {A::LogRestarted, A::FinishWrite});
    // Any failure ends the write where it is; nothing is retried.
    row("write request fails", S::RequestingWrite, E::Failed, S::Idle, {A::ReportFailure, A::FinishWrite});
    row("data not acknowledged", S::SendingData, E::Failed, S::Idle, {A::ReportFailure, A::FinishWrite});
    row("verify fails", S::Verifying, E::Failed, S::Idle, {A::ReportFailure, A::FinishWrite});
    row("restart unanswered", S::Restarting, E::Failed, S::Idle, {A::ReportFailure, A::FinishWrite});
    // Nothing is awaited in a pause: no reply outcome can belong to it.
    row("failure in a pause", S::Settling, E::Failed, S::Settling, {});
    row("reply when idle", S::Idle, E::Accepted, S::Idle, {});
    row("pause over when idle", S::Idle, E::PauseOver, S::Idle, {});
    row("knock button in a write", S::Verifying, E::Knock, S::Verifying, {});
    // Another operation takes the module.
    row("cancelled read", S::Reading, E::Cancel, S::Idle, {A::Abandon, A::FinishRead});
    row("cancelled comparison", S::Comparing, E::Cancel, S::Idle, {A::Abandon, A::FinishCompare});
    row("cancelled in a pause", S::Settling, E::Cancel, S::Idle, {A::Abandon, A::FinishWrite});
    row("cancelled when idle", S::Idle, E::Cancel, S::Idle, {});
}

void TestExchangeSteps::configuration()
{
    QFETCH(ConfigStep, step);
    QFETCH(Event, event);
    const Transition<ConfigStep> transition = configTransition(step, event);
    QTEST(transition.next, "next");
    QTEST(transition.actions, "actions");
}

void TestExchangeSteps::factoryRecord_data()
{
    using S = RecordStep;
    const auto row = tableOf<S>();
    row("record asked", S::Idle, E::Read, S::Reading, {A::Knock});
    row("knock done", S::Reading, E::KnockDone, S::Reading, {A::SendRead});
    row("record read", S::Reading, E::Accepted, S::Open,
        {A::ReportRead, A::TakeImage, A::KeepModuleWords, A::FinishRecordRead});
    row("record not read", S::Reading, E::Failed, S::Idle,
        {A::ReportFailure, A::LogFactoryImpossible, A::FinishRecordRead});
    // No question, no read first: the write starts with its request.
    row("record written", S::Open, E::Write, S::RequestingWrite, {A::SendWriteRequest});
    row("write accepted", S::RequestingWrite, E::Accepted, S::SendingData, {A::SendData});
    row("data acknowledged", S::SendingData, E::Accepted, S::Settling, {A::PauseAfterData});
    row("verify read", S::Settling, E::PauseOver, S::Verifying, {A::LogDataWritten, A::SendRead});
    // Never a restart: the window stays open for the next write.
    row("verify agrees", S::Verifying, E::VerifyMatched, S::Open,
        {A::ReportVerified, A::TakeImage, A::KeepModuleWords, A::FinishRecordWrite});
    row("verify differs", S::Verifying, E::VerifyDiffered, S::Open,
        {A::KeepModuleWords, A::ReportDifferences, A::FinishRecordWrite});
    row("write fails", S::SendingData, E::Failed, S::Open, {A::ReportFailure, A::FinishRecordWrite});
    // Closing stops the write where it is: the request under way ends by its time-out; an
    // acknowledgement already in is never judged.
    row("closed while a request is awaited", S::RequestingWrite, E::Close, S::Closing, {A::StopReceiving});
    row("closed during the verify", S::Verifying, E::Close, S::Closing, {A::StopReceiving});
    row("closed in the pause", S::Settling, E::Close, S::Idle,
        {A::Abandon, A::LogFactoryCancelled, A::FinishRecordWrite, A::FinishRecord});
    row("time-out after the close", S::Closing, E::Failed, S::Idle, {A::ReportFailure, A::FinishRecordWrite, A::FinishRecord});
    row("reply after the close", S::Closing, E::Accepted, S::Closing, {});
    row("closed, nothing under way", S::Open, E::Close, S::Idle, {A::FinishRecord});
    // Another operation takes the module: the lapsing write says nothing more.
    row("cancelled while closing", S::Closing, E::Cancel, S::Idle, {A::Abandon, A::FinishRecordWrite, A::FinishRecord});
    row("cancelled read", S::Reading, E::Cancel, S::Idle, {A::Abandon, A::FinishRecordRead});
    row("write when not open", S::Idle, E::Write, S::Idle, {});
}

void TestExchangeSteps::factoryRecord()
{
    QFETCH(RecordStep, step);
    QFETCH(Event, event);
    const Transition<RecordStep> transition = recordTransition(step, event);
    QTEST(transition.next, "next");
    QTEST(transition.actions, "actions");
}

QTEST_APPLESS_MAIN(TestExchangeSteps)
#include "tst_exchangesteps.moc"
