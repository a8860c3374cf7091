#pragma once

#include "online/ui/onlinecontext.h"
#include "ui/navigation/page.h"

#include <QList>
#include <QPointer>

class DeviceUpdateWidget;
class QScrollArea;

// The "Software Update" page: one DeviceUpdateWidget per identified device, the base device
// first and then those behind it, rebuilt whenever the device manager's state changes and
// whenever the page is refreshed.
class UpdatePage : public Page
{
    Q_OBJECT

public:
    explicit UpdatePage(const OnlineContext &context, QWidget *parent = nullptr);
    ~UpdatePage() override;

    // The widgets of the last rebuild, in device order.
    [[nodiscard]] QList<DeviceUpdateWidget *> deviceWidgets() const;

private:
    void rebuild();

    OnlineContext m_context;
    QScrollArea *m_scrollArea = nullptr;
    QList<QPointer<DeviceUpdateWidget>> m_widgets;
};
