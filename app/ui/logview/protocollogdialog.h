#pragma once

#include <QDialog>

class ProtocolLogWidget;

// The protocol log window. It is not connected to the device link yet: it opens on a few sample
// packets so that the cards and the visibility switches can be seen.
class ProtocolLogDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProtocolLogDialog(QWidget *parent = nullptr);

    [[nodiscard]] ProtocolLogWidget *logWidget() const { return m_logWidget; }

private:
    ProtocolLogWidget *m_logWidget = nullptr;
};
