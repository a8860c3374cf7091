#pragma once

#include <QStringList>
#include <QWidget>

// A drawing of a transmitter switch with one position per flight mode and the name of the
// flight mode beside each; without a switch, only the flight mode the receiver stays in.
class SwitchPositionsView : public QWidget
{
    Q_OBJECT

public:
    explicit SwitchPositionsView(QWidget *parent = nullptr);

    // `switchName` empty: no switch.
    void setPositions(const QString &switchName, const QStringList &flightModes);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_switchName;
    QStringList m_flightModes;
};
