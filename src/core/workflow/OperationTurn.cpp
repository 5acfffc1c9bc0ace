#include "core/workflow/OperationTurn.h"

void OperationTurn::begin(ModuleOperation &operation)
{
    if (ModuleOperation *running = m_current) {
        // Cleared first: what the superseded one reports must not find it still running.
        m_current = nullptr;
        running->supersede();
    }
    m_current = &operation;
}

void OperationTurn::end(ModuleOperation &operation)
{
    if (m_current == &operation)
        m_current = nullptr;
}
