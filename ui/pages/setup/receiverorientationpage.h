#pragma once

#include "ui/navigation/page.h"
#include "ui/navigation/pageregistry.h"

#include <memory>

class AirplaneRxModel;
class OrientationView;
class QComboBox;
class QLabel;

// "Receiver Orientation": how the receiver is mounted in the aircraft, chosen from the ways it
// can be mounted and drawn in the aircraft seen from above and from the side.
class ReceiverOrientationPage : public Page
{
    Q_OBJECT

public:
    ReceiverOrientationPage(std::shared_ptr<AirplaneRxModel> model, const PageContext &context,
                            QWidget *parent = nullptr);

    [[nodiscard]] QComboBox *orientationBox() const { return m_orientationBox; }
    [[nodiscard]] OrientationView *orientationView() const { return m_view; }

private:
    [[nodiscard]] int storedValue() const;

    std::shared_ptr<AirplaneRxModel> m_model;
    QComboBox *m_orientationBox = nullptr;
    OrientationView *m_view = nullptr;
    QLabel *m_note = nullptr;
};
