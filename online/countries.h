#pragma once

#include <QStringList>

// The choices of the register form, flat lists of (code, display name) pairs. Built once.
namespace countries {

// 240 pairs: US, CA, DE, GB first, then the rest by name.
[[nodiscard]] const QStringList &countryList();
// 67 pairs: the US states, DC and PR, the military regions, the Canadian provinces.
[[nodiscard]] const QStringList &stateList();

} // namespace countries
