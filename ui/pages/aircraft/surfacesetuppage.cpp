// SurfaceSetupPage: the airplane receiver's control surfaces, one row each.
#include "ui/pages/aircraft/surfacesetuppage.h"

#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "ui/pages/aircraft/balancecurveview.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/widgets/helpindicator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

using AirplaneRx::makeSetting;
using AirplaneRx::SettingType;

namespace {

const QString kPercent = QStringLiteral(" %");

enum Column {
    NameColumn,
    PortColumn,
    NegTravelColumn,
    SubTrimColumn,
    PosTravelColumn,
    ReverseColumn
};

QString portText(int port)
{
    return port > 0 ? SurfaceSetupPage::tr("Port %1").arg(port) : SurfaceSetupPage::tr("None");
}

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

SurfaceSetupPage::SurfaceSetupPage(std::shared_ptr<AirplaneRxModel> model,
                                   const TooltipTable *tooltips, QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
    , m_tooltips(tooltips)
{
    auto *intro = new QLabel(
        tr("Set how far and in which direction each control surface moves. The list follows "
           "the wing and tail types chosen on the Aircraft Type page."),
        this);
    intro->setWordWrap(true);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *holder = new QWidget(scroll);
    m_contentLayout = new QVBoxLayout(holder);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout->addStretch(1);
    scroll->setWidget(holder);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(scroll, 1);

    addRefresher([this] {
        rebuildIfLayoutChanged();
        m_content->refresh();
    });
    refreshOnSettingsChanges(*this, *m_model);
}

void SurfaceSetupPage::rebuildIfLayoutChanged()
{
    QList<SurfaceLayout::Surface> surfaces = SurfaceLayout::surfacesOf(*m_model);
    if (m_content && surfaces == m_surfaces)
        return;
    m_surfaces = std::move(surfaces);
    const bool detailStays =
        std::any_of(m_surfaces.begin(), m_surfaces.end(), [this](const SurfaceLayout::Surface &s) {
            return s.channel == m_detailChannel;
        });
    if (!detailStays)
        m_detailChannel = m_surfaces.isEmpty() ? 0 : m_surfaces.front().channel;

    if (m_content) {
        // Later, as the refresh may have started from one of the old controls.
        m_contentLayout->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = new Page(m_contentLayout->parentWidget());
    m_content->setObjectName(QStringLiteral("surfaceRows"));
    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildSurfaceRows(*m_content));
    layout->addWidget(buildDetails(*m_content));
    m_contentLayout->insertWidget(0, m_content);
}

QWidget *SurfaceSetupPage::header(const QString &text, const QString &tooltipKey, QWidget *parent,
                                  bool bold) const
{
    auto *cell = new QWidget(parent);
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bold ? boldLabel(text, cell) : new QLabel(text, cell));
    if (HelpIndicator *help = helpIndicator(m_tooltips, tooltipKey, cell))
        layout->addWidget(help);
    layout->addStretch(1);
    return cell;
}

QWidget *SurfaceSetupPage::buildSurfaceRows(Page &content)
{
    auto *box = new QGroupBox(tr("Surfaces"), &content);
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(14);
    grid->addWidget(boldLabel(tr("Surface"), box), 0, NameColumn);
    grid->addWidget(boldLabel(tr("Output"), box), 0, PortColumn);
    grid->addWidget(header(tr("Travel \u2212"), QStringLiteral("surface-travel-tooltip"), box), 0,
                    NegTravelColumn);
    grid->addWidget(header(tr("Sub-trim"), QStringLiteral("surface-sub-trim-tooltip"), box), 0,
                    SubTrimColumn);
    grid->addWidget(header(tr("Travel +"), QStringLiteral("surface-travel-tooltip"), box), 0,
                    PosTravelColumn);
    grid->addWidget(header(tr("Direction"), QStringLiteral("surface-reverse-tooltip"), box), 0,
                    ReverseColumn);

    AirplaneRxModel *model = m_model.get();
    const auto setting = [model](SettingType type, int channel) {
        return IntSetting{
            [model, type, channel] { return model->value(makeSetting(type), channel); },
            [model, type, channel](int value) {
                model->setValue(makeSetting(type), channel, value);
            }};
    };

    int row = 1;
    for (const SurfaceLayout::Surface &surface : m_surfaces) {
        const QString name = DeviceModel::surfaceName(surface.channel);
        auto *nameLabel = new QLabel(name, box);
        auto *port = new QLabel(portText(surface.port), box);
        if (surface.port == 0)
            port->setToolTip(tr("No output drives this surface; assign one on the Port "
                                "Assignment page."));

        QSpinBox *negative = boundSpinBox(content, 0, kMaxTravelPercent, kPercent,
                                          setting(SettingType::NegTravel, surface.channel), box);
        negative->setAccessibleName(tr("%1 travel \u2212").arg(name));
        QSpinBox *subTrim = boundSpinBox(content, -kSubTrimLimit, kSubTrimLimit, QString(),
                                         setting(SettingType::SubTrim, surface.channel), box);
        subTrim->setAccessibleName(tr("%1 sub-trim").arg(name));
        QSpinBox *positive = boundSpinBox(content, 0, kMaxTravelPercent, kPercent,
                                          setting(SettingType::PosTravel, surface.channel), box);
        positive->setAccessibleName(tr("%1 travel +").arg(name));
        QCheckBox *reverse = boundCheckBox(
            content, tr("Reverse"),
            BoolSetting{[model, channel = surface.channel] {
                            return model->value(makeSetting(SettingType::Reverse), channel) != 0;
                        },
                        [model, channel = surface.channel](bool on) {
                            model->setValue(makeSetting(SettingType::Reverse), channel, on ? 1 : 0);
                        }},
            box);
        reverse->setAccessibleName(tr("Reverse %1").arg(name));
        nameLabel->setBuddy(negative);

        for (QWidget *widget : {static_cast<QWidget *>(negative), static_cast<QWidget *>(subTrim),
                                static_cast<QWidget *>(positive), static_cast<QWidget *>(reverse)})
            widget->setProperty("surfaceChannel", surface.channel);
        negative->setObjectName(QStringLiteral("negTravel"));
        subTrim->setObjectName(QStringLiteral("subTrim"));
        positive->setObjectName(QStringLiteral("posTravel"));
        reverse->setObjectName(QStringLiteral("reverse"));

        grid->addWidget(nameLabel, row, NameColumn);
        grid->addWidget(port, row, PortColumn);
        grid->addWidget(negative, row, NegTravelColumn);
        grid->addWidget(subTrim, row, SubTrimColumn);
        grid->addWidget(positive, row, PosTravelColumn);
        grid->addWidget(reverse, row, ReverseColumn);
        ++row;
    }
    if (m_surfaces.isEmpty())
        grid->addWidget(new QLabel(tr("This layout has no surfaces of its own."), box), row, 0, 1,
                        ReverseColumn + 1);
    grid->setColumnStretch(ReverseColumn + 1, 1);
    return box;
}

QWidget *SurfaceSetupPage::buildDetails(Page &content)
{
    auto *box = new QGroupBox(tr("Fine Tuning"), &content);
    box->setEnabled(m_detailChannel != 0);
    // Column 0 holds the labels, columns 1 to 7 the balance points, the last one the plot.
    auto *grid = new QGridLayout(box);
    constexpr int kFirstPointColumn = 1;
    constexpr int kPlotColumn = kFirstPointColumn + kBalancePointCount;

    auto *chooser = new QComboBox(box);
    chooser->setObjectName(QStringLiteral("detailSurface"));
    for (const SurfaceLayout::Surface &surface : m_surfaces)
        chooser->addItem(DeviceModel::surfaceName(surface.channel), surface.channel);
    chooser->setCurrentIndex(chooser->findData(m_detailChannel));
    auto *chooserLabel = new QLabel(tr("&Surface:"), box);
    chooserLabel->setBuddy(chooser);
    connect(chooser, qOverload<int>(&QComboBox::activated), this, [this, chooser](int index) {
        m_detailChannel = chooser->itemData(index).toInt();
        m_content->refresh();
    });
    grid->addWidget(chooserLabel, 0, 0);
    grid->addWidget(chooser, 0, kFirstPointColumn, 1, kBalancePointCount, Qt::AlignLeft);

    AirplaneRxModel *model = m_model.get();
    // The detail controls follow whichever surface the chooser shows.
    const auto detailSetting = [this, model](SettingType type, int point = 0) {
        return IntSetting{[this, model, type, point] {
                              return model->value(makeSetting(type, 0, 0, point), m_detailChannel);
                          },
                          [this, model, type, point](int value) {
                              model->setValue(makeSetting(type, 0, 0, point), m_detailChannel,
                                              value);
                          }};
    };

    grid->addWidget(header(tr("Absolute travel:"),
                           QStringLiteral("surface-absolute-travel-tooltip"), box, false),
                    1, 0);
    auto *absolute = new QWidget(box);
    auto *absoluteLayout = new QHBoxLayout(absolute);
    absoluteLayout->setContentsMargins(0, 0, 0, 0);
    QSpinBox *absoluteNegative = boundSpinBox(content, 0, kMaxAbsoluteTravel, QString(),
                                              detailSetting(SettingType::AbsTravelNeg), absolute);
    absoluteNegative->setObjectName(QStringLiteral("absTravelNeg"));
    absoluteNegative->setAccessibleName(tr("Absolute travel \u2212"));
    QSpinBox *absolutePositive = boundSpinBox(content, 0, kMaxAbsoluteTravel, QString(),
                                              detailSetting(SettingType::AbsTravelPos), absolute);
    absolutePositive->setObjectName(QStringLiteral("absTravelPos"));
    absolutePositive->setAccessibleName(tr("Absolute travel +"));
    auto *negativeLabel = new QLabel(QString(QChar(0x2212)), absolute);
    negativeLabel->setBuddy(absoluteNegative);
    auto *positiveLabel = new QLabel(QStringLiteral("+"), absolute);
    positiveLabel->setBuddy(absolutePositive);
    absoluteLayout->addWidget(negativeLabel);
    absoluteLayout->addWidget(absoluteNegative);
    absoluteLayout->addSpacing(12);
    absoluteLayout->addWidget(positiveLabel);
    absoluteLayout->addWidget(absolutePositive);
    absoluteLayout->addStretch(1);
    grid->addWidget(absolute, 1, kFirstPointColumn, 1, kBalancePointCount);

    grid->addWidget(
        header(tr("Balance points:"), QStringLiteral("surface-balance-tooltip"), box, false), 2, 0);
    for (int point = 0; point < kBalancePointCount; ++point) {
        auto *number = new QLabel(QString::number(point + 1), box);
        number->setAlignment(Qt::AlignCenter);
        grid->addWidget(number, 2, kFirstPointColumn + point);
    }
    for (const auto &[type, row, label, name] :
         {std::tuple{SettingType::BalanceX, 3, tr("Input:"), tr("input")},
          std::tuple{SettingType::BalanceY, 4, tr("Output:"), tr("output")}}) {
        auto *rowLabel = new QLabel(label, box);
        rowLabel->setIndent(12);
        grid->addWidget(rowLabel, row, 0);
        for (int point = 0; point < kBalancePointCount; ++point) {
            QSpinBox *spin = boundSpinBox(content, 0, kMaxBalanceValue, QString(),
                                          detailSetting(type, point), box);
            spin->setObjectName(type == SettingType::BalanceX ? QStringLiteral("balanceX")
                                                              : QStringLiteral("balanceY"));
            spin->setProperty("balancePoint", point);
            spin->setAccessibleName(tr("Balance point %1 %2").arg(point + 1).arg(name));
            grid->addWidget(spin, row, kFirstPointColumn + point);
            if (point == 0)
                rowLabel->setBuddy(spin);
        }
    }

    auto *curve = new BalanceCurveView(box);
    curve->setObjectName(QStringLiteral("balanceCurve"));
    // Registered after the spin boxes, so the plot shows what they show.
    content.addRefresher([this, model, curve] {
        QList<QPoint> curvePoints;
        if (m_detailChannel != 0) {
            for (int point = 0; point < kBalancePointCount; ++point)
                curvePoints.append(
                    {model->value(makeSetting(SettingType::BalanceX, 0, 0, point), m_detailChannel),
                     model->value(makeSetting(SettingType::BalanceY, 0, 0, point),
                                  m_detailChannel)});
        }
        curve->setPoints(curvePoints);
    });
    grid->setColumnMinimumWidth(kPlotColumn, 8);
    grid->addWidget(curve, 0, kPlotColumn + 1, 5, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnStretch(kPlotColumn, 1);
    return box;
}
