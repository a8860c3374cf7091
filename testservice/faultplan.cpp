#include "testservice/faultplan.h"

namespace testservice {

void FaultPlan::add(const Fault &fault)
{
    if (fault.count >= 0)
        m_faults.append(fault);
}

void FaultPlan::clear()
{
    m_faults.clear();
}

std::optional<Fault> FaultPlan::take(const QString &operation)
{
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        Fault &fault = m_faults[i];
        if (!fault.operation.isEmpty() && fault.operation != operation)
            continue;
        const Fault hit = fault;
        if (fault.count > 0 && --fault.count == 0)
            m_faults.removeAt(i);
        return hit;
    }
    return std::nullopt;
}

} // namespace testservice
