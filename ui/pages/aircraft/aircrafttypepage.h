#pragma once

#include "app/tooltipparser.h"
#include "models/classes/aircrafttypesettings.h"
#include "ui/navigation/page.h"

#include <QPointer>

#include <functional>
#include <memory>

class AircraftTypePicture;
class DeviceModel;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QMessageBox;

// The aircraft, wing and tail types of any model with AircraftTypeSettings, with the model's
// further choices and notes and a picture of the chosen layout. A wing or tail change resets
// the model's surfaces, so it waits for the user to confirm the model's warning first.
class AircraftTypePage : public Page
{
    Q_OBJECT

public:
    // `settings` is the model's own interface; the page keeps the model alive.
    AircraftTypePage(std::shared_ptr<DeviceModel> model, AircraftTypeSettings &settings,
                     const TooltipTable *tooltips, QWidget *parent = nullptr);

    [[nodiscard]] AircraftTypePicture *picture() const { return m_picture; }
    // The open question before a wing or tail change, or null.
    [[nodiscard]] QMessageBox *pendingConfirmation() const;

private:
    void buildExtraSelectors(QWidget *parent, QFormLayout *form);
    void showTypes();
    void showExtraSelectors();
    void chooseWing(int index);
    void chooseTail(int index);
    void chooseExtra(int selector, int index);
    // Runs `change` once the user accepted the model's warning, at once when it has none.
    void confirmLayoutChange(const QString &title, const QString &question,
                             std::function<void()> change);

    std::shared_ptr<DeviceModel> m_model;
    AircraftTypeSettings &m_settings;
    QComboBox *m_aircraftBox = nullptr;
    QComboBox *m_wingBox = nullptr;
    QLabel *m_wingLabel = nullptr;
    QComboBox *m_tailBox = nullptr;
    QLabel *m_tailLabel = nullptr;
    QWidget *m_tailField = nullptr;
    QCheckBox *m_wingMixReversed = nullptr;
    QWidget *m_wingMixField = nullptr;
    QLabel *m_transmitterNote = nullptr;
    QLabel *m_changeNote = nullptr;
    AircraftTypePicture *m_picture = nullptr;
    QList<QComboBox *> m_extraBoxes;
    QList<QLabel *> m_extraLabels;
    QPointer<QMessageBox> m_confirmation;
};
