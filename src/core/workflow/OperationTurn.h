#pragma once

// Something that runs on the module from a verb until its result: a read, a write, a factory
// record, a firmware update, a radio test.
class ModuleOperation
{
public:
    virtual ~ModuleOperation() = default;
    // Another operation takes the module over: this one gives its wait up at once and ends
    // as cancelled. Its time-out, and any reply still on its way, are no longer its concern.
    virtual void supersede() = 0;
};

// One module takes one operation at a time. Starting one ends the one under way, whoever runs
// it, so no wait of an earlier operation outlives it into the next.
class OperationTurn
{
public:
    // `operation` starts; the one under way (also an earlier one of the same workflow) is
    // superseded first.
    void begin(ModuleOperation &operation);
    // `operation` has ended; nothing happens when another one holds the turn already.
    void end(ModuleOperation &operation);
    bool isIdle() const { return m_current == nullptr; }
    bool isRunning(const ModuleOperation &operation) const { return m_current == &operation; }

private:
    ModuleOperation *m_current = nullptr;
};
