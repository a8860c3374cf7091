#pragma once

#include "testservice/testservice.h"

#include <QList>
#include <QString>

#include <optional>

namespace testservice {

// The faults still to come. A request takes the first fault, in order of addition, that
// names its operation or none; a fault with a count goes once it has hit that many.
class FaultPlan
{
public:
    void add(const Fault &fault);
    void clear();
    [[nodiscard]] std::optional<Fault> take(const QString &operation);

private:
    QList<Fault> m_faults;
};

} // namespace testservice
