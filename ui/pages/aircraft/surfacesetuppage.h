#pragma once

#include "app/tooltipparser.h"
#include "ui/navigation/page.h"
#include "ui/pages/aircraft/surfacelayout.h"

#include <memory>

class AirplaneRxModel;
class QComboBox;
class QVBoxLayout;

// Travel, sub-trim, reverse, absolute travel and balance points of each control surface the
// airplane receiver's wing and tail layout has. The rows follow the layout: a refresh after
// the wing or tail type changed rebuilds them.
class SurfaceSetupPage : public Page
{
    Q_OBJECT

public:
    static constexpr int kMaxTravelPercent = 150;
    // The receiver keeps sub-trim as an 11-bit signed number of thirds of a step.
    static constexpr int kSubTrimLimit = 1023 / 3;
    static constexpr int kMaxAbsoluteTravel = 0xFFFF;
    static constexpr int kMaxBalanceValue = 0xFF;
    static constexpr int kBalancePointCount = 7;

    SurfaceSetupPage(std::shared_ptr<AirplaneRxModel> model, const TooltipTable *tooltips,
                     QWidget *parent = nullptr);

    // The surfaces the rows show, in row order.
    [[nodiscard]] const QList<SurfaceLayout::Surface> &surfaces() const { return m_surfaces; }
    // The surface code whose absolute travel and balance points are shown, or 0 for none.
    [[nodiscard]] int detailChannel() const { return m_detailChannel; }

private:
    void rebuildIfLayoutChanged();
    [[nodiscard]] QWidget *buildSurfaceRows(Page &content);
    [[nodiscard]] QWidget *buildDetails(Page &content);
    // A column or row heading with its help indicator when the page has help texts.
    [[nodiscard]] QWidget *header(const QString &text, const QString &tooltipKey, QWidget *parent,
                                  bool bold = true) const;

    std::shared_ptr<AirplaneRxModel> m_model;
    const TooltipTable *m_tooltips = nullptr;
    QList<SurfaceLayout::Surface> m_surfaces;
    int m_detailChannel = 0;
    // The controls of the current layout, with their own refreshers; replaced on a rebuild.
    Page *m_content = nullptr;
    QVBoxLayout *m_contentLayout = nullptr;
};
