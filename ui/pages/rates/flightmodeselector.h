#pragma once

#include <QComboBox>
#include <QStringList>

#include <algorithm>
#include <functional>

class Page;

// The flight mode whose settings a page shows. It follows the model's flight modes through a
// page refresher (a transmitter's count changes with its switches), keeping the chosen mode
// while it exists, and refreshes the page when the user picks another one. Make it before
// the controls that read flightMode(), so that its refresher runs ahead of theirs.
class FlightModeSelector : public QComboBox
{
    Q_OBJECT

public:
    FlightModeSelector(Page &page, std::function<QStringList()> names, QWidget *parent);

    // 0-based; 0 when the model names no flight mode.
    [[nodiscard]] int flightMode() const { return std::max(currentIndex(), 0); }

private:
    void follow();

    std::function<QStringList()> m_names;
};
