#include "ui/models/presetsdialog.h"

#include "devicestate/devicemanager.h"
#include "models/modellibrary.h"
#include "ui/models/presetsbrowser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const QString kNoPresetsText = QStringLiteral("There are no presets.");
const QString kNoDevicePresetsText = QStringLiteral(
    "There are no presets for this device. Check \"Show all presets\" to see the others.");

constexpr QSize kListIconSize{48, 48};
constexpr QSize kPreviewPictureSize{128, 128};
// Wide enough for the shipped presets' names; longer ones are elided, with the whole name in
// the tool tip.
constexpr int kListMinimumWidth = 400;
constexpr int kPreviewWidth = 300;
constexpr QSize kMinimumSize{720, 400};
constexpr QSize kInitialSize{760, 460};
constexpr int kFileNameRole = Qt::UserRole;

QPixmap scaledPixmap(const QImage &image, QSize size)
{
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QListWidgetItem *makeItem(const presetsbrowser::PresetRow &row, const QListWidget &list)
{
    auto *item = new QListWidgetItem;
    if (row.heading) {
        item->setText(row.name);
        // Not enabled, so that the arrow keys step over it; the colour keeps it from looking
        // greyed out.
        item->setFlags(Qt::NoItemFlags);
        item->setForeground(list.palette().windowText());
        QFont font = list.font();
        font.setBold(true);
        item->setFont(font);
        return item;
    }
    item->setText(row.productName.isEmpty() ? row.name
                                            : row.name + QLatin1Char('\n') + row.productName);
    item->setIcon(QIcon(scaledPixmap(row.image, kListIconSize * 2)));
    item->setData(kFileNameRole, row.fileName);
    item->setToolTip(row.name);
    return item;
}

} // namespace

PresetsDialog::PresetsDialog(ModelsContext context, QWidget *parent)
    : QDialog(parent)
    , m_context(std::move(context))
{
    buildForm();
    fillList();
    connectForm();
}

void PresetsDialog::buildForm()
{
    setWindowTitle(QStringLiteral("Presets"));
    setMinimumSize(kMinimumSize);
    resize(kInitialSize);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("presetList"));
    m_list->setAccessibleName(QStringLiteral("Presets"));
    m_list->setIconSize(kListIconSize);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumWidth(kListMinimumWidth);
    m_list->setSpacing(2);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideRight);

    m_showAllBox = new QCheckBox(QStringLiteral("Show all presets"), this);
    m_showAllBox->setObjectName(QStringLiteral("showAllBox"));

    m_pictureLabel = new QLabel(this);
    m_pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    m_pictureLabel->setAccessibleName(QStringLiteral("Preset picture"));
    m_pictureLabel->setFixedSize(kPreviewPictureSize);
    m_pictureLabel->setAlignment(Qt::AlignCenter);

    m_nameLabel = new QLabel;
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameLabel->setWordWrap(true);
    QFont nameFont = m_nameLabel->font();
    nameFont.setBold(true);
    m_nameLabel->setFont(nameFont);

    m_productLabel = new QLabel;
    m_productLabel->setObjectName(QStringLiteral("productLabel"));
    m_productLabel->setWordWrap(true);

    m_notesLabel = new QLabel;
    m_notesLabel->setObjectName(QStringLiteral("notesLabel"));
    m_notesLabel->setWordWrap(true);
    m_notesLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_notesLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_buttons = new QDialogButtonBox(this);
    m_useButton = m_buttons->addButton(QStringLiteral("Use Preset"), QDialogButtonBox::AcceptRole);
    m_useButton->setObjectName(QStringLiteral("useButton"));
    m_useButton->setDefault(true);
    QPushButton *cancelButton = m_buttons->addButton(QDialogButtonBox::Cancel);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    // Long notes scroll instead of pushing the buttons off a small screen.
    auto *details = new QWidget;
    auto *detailsLayout = new QVBoxLayout(details);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->addWidget(m_nameLabel);
    detailsLayout->addWidget(m_productLabel);
    detailsLayout->addWidget(m_notesLabel);
    detailsLayout->addStretch(1);
    auto *detailsArea = new QScrollArea(this);
    detailsArea->setFrameShape(QFrame::NoFrame);
    detailsArea->setWidgetResizable(true);
    detailsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    detailsArea->setFocusPolicy(Qt::NoFocus);
    detailsArea->setWidget(details);

    auto *preview = new QWidget(this);
    preview->setFixedWidth(kPreviewWidth);
    auto *previewLayout = new QVBoxLayout(preview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->addWidget(m_pictureLabel, 0, Qt::AlignHCenter);
    previewLayout->addWidget(detailsArea, 1);

    auto *browserLayout = new QHBoxLayout;
    browserLayout->addWidget(m_list, 1);
    browserLayout->addWidget(preview);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(browserLayout, 1);
    layout->addWidget(m_showAllBox);
    layout->addWidget(m_buttons);

    setTabOrder(m_list, m_showAllBox);
    setTabOrder(m_showAllBox, m_useButton);
    setTabOrder(m_useButton, cancelButton);
    m_list->setFocus();
}

void PresetsDialog::connectForm()
{
    connect(m_list, &QListWidget::itemSelectionChanged, this, &PresetsDialog::showPreview);
    // Not `activated`: Enter activates the row as well as pressing the default button.
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (!item->data(kFileNameRole).toString().isEmpty())
            onUsePreset();
    });
    connect(m_showAllBox, &QCheckBox::toggled, this, [this](bool checked) {
        m_showAll = checked;
        fillList();
    });
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PresetsDialog::onUsePreset);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PresetsDialog::reject);
    if (m_context.deviceManager)
        connect(m_context.deviceManager, &DeviceManager::deviceStateChanged, this,
                &PresetsDialog::fillList);
}

void PresetsDialog::fillList()
{
    const std::optional<presetsbrowser::DeviceVariant> device =
        presetsbrowser::connectedVariant(m_context.deviceManager);
    const bool showAll = !device || m_showAll;
    {
        // Without a device there is nothing to filter by; the box then shows that all are
        // listed, and the user's choice comes back with the next device.
        const QSignalBlocker blockBox(m_showAllBox);
        m_showAllBox->setEnabled(device.has_value());
        m_showAllBox->setChecked(showAll);
    }

    const QString previous = selectedFileName();
    m_rows = m_context.presets ? presetsbrowser::presetRows(*m_context.presets, device, showAll)
                               : QList<presetsbrowser::PresetRow>();
    {
        const QSignalBlocker blockList(m_list);
        m_list->clear();
        QListWidgetItem *chosen = nullptr;
        for (const presetsbrowser::PresetRow &row : std::as_const(m_rows)) {
            QListWidgetItem *item = makeItem(row, *m_list);
            m_list->addItem(item);
            if (!row.heading && (!chosen || row.fileName == previous))
                chosen = item;
        }
        if (chosen)
            m_list->setCurrentItem(chosen);
    }
    m_emptyText = showAll ? kNoPresetsText : kNoDevicePresetsText;
    showPreview();
}

QString PresetsDialog::selectedFileName() const
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(kFileNameRole).toString();
}

void PresetsDialog::showPreview()
{
    const QString fileName = selectedFileName();
    m_useButton->setEnabled(!fileName.isEmpty());
    // Empty frames above the message would only push it down.
    const bool listed = m_list->count() > 0;
    m_pictureLabel->setVisible(listed);
    m_nameLabel->setVisible(listed);
    m_productLabel->setVisible(listed);
    if (fileName.isEmpty()) {
        m_pictureLabel->clear();
        m_nameLabel->clear();
        m_productLabel->clear();
        m_notesLabel->setText(m_list->count() == 0 ? m_emptyText : QString());
        return;
    }
    for (const presetsbrowser::PresetRow &row : std::as_const(m_rows)) {
        if (row.fileName != fileName)
            continue;
        m_pictureLabel->setPixmap(scaledPixmap(row.image, kPreviewPictureSize));
        m_nameLabel->setText(row.name);
        m_productLabel->setText(row.productName);
        m_notesLabel->setText(row.notes);
        return;
    }
}

void PresetsDialog::onUsePreset()
{
    const QString fileName = selectedFileName();
    if (fileName.isEmpty() || !m_context.presets || !m_context.models)
        return;
    const presetsbrowser::CopyOutcome outcome =
        presetsbrowser::usePreset(*m_context.presets, *m_context.models, fileName);
    if (!outcome.ok()) {
        QMessageBox::critical(this, presetsbrowser::kErrorTitle, outcome.errorText);
        return;
    }
    m_createdFileName = outcome.fileName;
    accept();
}
