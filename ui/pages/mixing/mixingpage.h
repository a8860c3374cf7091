#pragma once

#include "app/tooltipparser.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/navigation/page.h"
#include "ui/pages/common/settingcontrols.h"

#include <memory>

class AirplaneRxModel;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

// The receiver's mixes: the mixes in use listed on the left, the chosen mix's settings on the
// right, and "Add Mix" and "Remove Mix" below the list (Delete in the list removes too). Every
// control edits the chosen mix through the model, and follows it when it changes anywhere else.
class MixingPage : public Page
{
    Q_OBJECT

public:
    // Ranges of the percentage settings; the receiver stores each as a signed byte.
    static constexpr int kRateLimitPercent = 125;
    static constexpr int kOffsetLimitPercent = 100;
    static constexpr int kConditionCodeMaximum = 255;
    // Bits 0 to 2 of a mix's active positions: the three positions of its condition switch.
    static constexpr int kActivePositionCount = 3;
    static constexpr int kMaxNameLength = 24;

    MixingPage(std::shared_ptr<AirplaneRxModel> model, const TooltipTable *tooltips,
               QWidget *parent = nullptr);
    ~MixingPage() override;

    // The mix the controls edit; -1 while the model has none.
    [[nodiscard]] int currentMix() const { return m_mix; }
    // Shows `mix` when it is in use.
    void selectMix(int mix);

private:
    [[nodiscard]] QWidget *buildMixList(const TooltipTable *tooltips);
    [[nodiscard]] QWidget *buildMixEditor(const TooltipTable *tooltips);
    void addMix();
    // Removes the chosen mix without asking (Undo brings it back) and shows the one after it.
    void removeMix();
    void showMixes();
    void commitName();
    [[nodiscard]] QString mixTitle(int mix) const;

    [[nodiscard]] int mixValue(AirplaneRx::SettingType type) const;
    void setMixValue(AirplaneRx::SettingType type, int value);
    [[nodiscard]] IntSetting mixSetting(AirplaneRx::SettingType type);
    [[nodiscard]] BoolSetting activePositionSetting(int position);

    std::shared_ptr<AirplaneRxModel> m_model;
    int m_mix = -1;
    QListWidget *m_list = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QAction *m_removeAction = nullptr;
    QStackedWidget *m_editorStack = nullptr;
    QGroupBox *m_editorBox = nullptr;
    QLineEdit *m_nameEdit = nullptr;
};
