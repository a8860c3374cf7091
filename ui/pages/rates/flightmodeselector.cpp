#include "ui/pages/rates/flightmodeselector.h"

#include "ui/navigation/page.h"

#include <QSignalBlocker>

FlightModeSelector::FlightModeSelector(Page &page, std::function<QStringList()> names,
                                       QWidget *parent)
    : QComboBox(parent)
    , m_names(std::move(names))
{
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    page.addRefresher([this] { follow(); });
    connect(this, qOverload<int>(&QComboBox::activated), &page, &Page::refresh);
    follow();
}

void FlightModeSelector::follow()
{
    const QStringList names = m_names();
    QStringList shown;
    for (int i = 0; i < count(); ++i)
        shown.append(itemText(i));
    if (names == shown)
        return;
    const QSignalBlocker blocker(this);
    const int kept = currentIndex();
    clear();
    addItems(names);
    setCurrentIndex(kept >= 0 && kept < names.size() ? kept : 0);
    setEnabled(names.size() > 1);
}
