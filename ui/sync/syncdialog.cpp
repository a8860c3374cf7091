#include "ui/sync/syncdialog.h"

#include "models/libraryoperations.h"
#include "models/modelinfo.h"
#include "models/modellibrary.h"
#include "ui/sync/differencesdialog.h"
#include "ui/sync/hoverfilter.h"
#include "ui/sync/syncdefaultmodel.h"
#include "ui/sync/syncdifferences.h"
#include "ui/sync/syncmodellist.h"
#include "ui/sync/syncrun.h"
#include "ui/widgets/picture.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kPromptText =
    QStringLiteral("The model settings on the device do not match those on the computer. Which "
                   "would you like to use?\n\nModel to sync:");
const QString kNewModelName = QStringLiteral("New Model");
const QString kSyncPicture = QStringLiteral("Sync.png");
const QString kFromDevicePicture = QStringLiteral("SyncFromDevice.png");
const QString kFromComputerPicture = QStringLiteral("SyncFromComputer.png");

constexpr QSize kModelPictureSize{96, 96};
constexpr QSize kListIconSize{40, 40};
constexpr int kShownListMinimumHeight = 300;
// Keeps the diagram off the list above it.
constexpr int kButtonRowSpacing = 8;
constexpr int kProgressMaximum = 100;

QPixmap modelPixmap(const QImage &image, QSize size)
{
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// Enter must never pick a side by accident, and a button that has the focus would otherwise
// take the default role in a dialog.
QPushButton *plainButton(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

SyncDialog::SyncDialog(SyncContext context, QWidget *parent)
    : QDialog(parent)
    , m_context(std::move(context))
    , m_selectedModel(modelsync::kNewModelMarker)
{
    buildForm();
    m_diagramLabel->setPixmap(loadPicture(kSyncPicture));
    setModelListVisible(false);
    fillModelList();
    if (m_context.library && m_context.deviceManager)
        showDefaultModel(modelsync::chooseDefaultModel(
            *m_context.library, m_context.lastSyncedModels,
            modelsync::syncDeviceOf(*m_context.deviceManager), logTag()));
    else
        showDefaultModel({});
    connectForm();
}

SyncDialog::~SyncDialog() = default;

void SyncDialog::buildForm()
{
    setWindowTitle(QStringLiteral("Model Mismatch"));

    m_label = new QLabel(kPromptText, this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setWordWrap(true);

    m_modelImageLabel = new QLabel(this);
    m_modelImageLabel->setObjectName(QStringLiteral("modelImageLabel"));
    m_modelImageLabel->setAccessibleName(QStringLiteral("Model picture"));
    m_modelImageLabel->setFixedSize(kModelPictureSize);
    m_modelImageLabel->setAlignment(Qt::AlignCenter);

    m_modelNameLabel = new QLabel(QStringLiteral("(model name)"), this);
    m_modelNameLabel->setObjectName(QStringLiteral("modelNameLabel"));
    m_modelNameLabel->setWordWrap(true);
    QFont nameFont = m_modelNameLabel->font();
    nameFont.setBold(true);
    m_modelNameLabel->setFont(nameFont);

    m_listVisibilityButton = plainButton(QStringLiteral("Show All Models"),
                                         QStringLiteral("listVisibilityButton"), this);

    m_modelList = new QListView(this);
    m_modelList->setObjectName(QStringLiteral("modelList"));
    m_modelList->setAccessibleName(QStringLiteral("Models"));
    m_modelList->setIconSize(kListIconSize);
    m_modelList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_modelList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Otherwise the view asks every row for its size, and so scales every picture up front.
    m_modelList->setUniformItemSizes(true);
    // Hidden from the start, so that the button keeps its first text until the user opens it.
    m_modelList->hide();

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, kProgressMaximum);
    m_progressBar->hide();

    m_diagramLabel = new QLabel(QStringLiteral("(diagram)"), this);
    m_diagramLabel->setObjectName(QStringLiteral("diagramLabel"));
    m_diagramLabel->setAccessibleName(QStringLiteral("Sync direction"));
    m_diagramLabel->setAlignment(Qt::AlignCenter);

    m_useComputerButton = plainButton(QStringLiteral("Use Computer Settings"),
                                      QStringLiteral("useComputerButton"), this);
    m_useDeviceButton =
        plainButton(QStringLiteral("Use Device Settings"), QStringLiteral("useDeviceButton"), this);
    m_showDifferencesButton = plainButton(QStringLiteral("Show Differences"),
                                          QStringLiteral("showDifferencesButton"), this);
    m_showDifferencesButton->setToolTip(
        QStringLiteral("Lists the settings that using the computer settings would change on the "
                       "device."));

    auto *modelRow = new QHBoxLayout;
    modelRow->addWidget(m_modelImageLabel);
    modelRow->addWidget(m_modelNameLabel, 1);
    // Keeps the button at its own width on the right while the list replaces the labels.
    modelRow->addStretch(0);
    modelRow->addWidget(m_listVisibilityButton, 0, Qt::AlignBottom);

    // The diagram draws the computer on the left and the device on the right; each button
    // sits on the side it stands for.
    // Show Differences looks at what the computer's side would write, so it sits below it.
    auto *computerColumn = new QVBoxLayout;
    computerColumn->addStretch(1);
    computerColumn->addWidget(m_useComputerButton);
    computerColumn->addWidget(m_showDifferencesButton);
    computerColumn->addStretch(1);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addLayout(computerColumn);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_diagramLabel);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_useDeviceButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(modelRow);
    layout->addWidget(m_modelList, 1);
    layout->addWidget(m_progressBar);
    layout->addSpacing(kButtonRowSpacing);
    layout->addLayout(buttonRow);

    setTabOrder(m_listVisibilityButton, m_modelList);
    setTabOrder(m_modelList, m_useComputerButton);
    setTabOrder(m_useComputerButton, m_showDifferencesButton);
    setTabOrder(m_showDifferencesButton, m_useDeviceButton);
}

void SyncDialog::connectForm()
{
    const auto showDiagram = [this](const QString &picture) {
        return [this, picture] { m_diagramLabel->setPixmap(loadPicture(picture)); };
    };
    m_deviceEnterFilter = new HoverFilter(QEvent::Enter, showDiagram(kFromDevicePicture), this);
    m_deviceLeaveFilter = new HoverFilter(QEvent::Leave, showDiagram(kSyncPicture), this);
    m_computerEnterFilter = new HoverFilter(QEvent::Enter, showDiagram(kFromComputerPicture), this);
    m_computerLeaveFilter = new HoverFilter(QEvent::Leave, showDiagram(kSyncPicture), this);
    m_useDeviceButton->installEventFilter(m_deviceEnterFilter);
    m_useDeviceButton->installEventFilter(m_deviceLeaveFilter);
    m_useComputerButton->installEventFilter(m_computerEnterFilter);
    m_useComputerButton->installEventFilter(m_computerLeaveFilter);

    connect(m_listVisibilityButton, &QPushButton::clicked, this,
            [this] { setModelListVisible(m_modelList->isHidden()); });
    connect(m_useComputerButton, &QPushButton::clicked, this,
            [this] { onSyncSettings(InitialSyncDirection::ComputerToDevice); });
    connect(m_useDeviceButton, &QPushButton::clicked, this,
            [this] { onSyncSettings(InitialSyncDirection::DeviceToComputer); });
    connect(m_showDifferencesButton, &QPushButton::clicked, this, &SyncDialog::onShowDifferences);
}

void SyncDialog::fillModelList()
{
    if (!m_context.library)
        return;
    m_modelRows = new SyncModelList(*m_context.library, kListIconSize, this);
    m_modelList->setModel(m_modelRows);
}

void SyncDialog::showDefaultModel(const modelsync::DefaultModel &choice)
{
    m_selectedModel = choice.selection;
    const QImage image = choice.isNew() ? defaultModelImage() : choice.info->image();
    m_modelImageLabel->setPixmap(modelPixmap(image, kModelPictureSize));
    m_modelNameLabel->setText(choice.isNew() ? kNewModelName : choice.info->name());
}

void SyncDialog::setModelListVisible(bool visible)
{
    // The button names what it does next; it keeps the form's text until the list changes.
    const bool changes = m_modelList->isHidden() == visible;
    m_modelImageLabel->setVisible(!visible);
    m_modelNameLabel->setVisible(!visible);
    m_modelList->setVisible(visible);
    if (visible) {
        selectSelectedModelInList();
        m_modelList->setMinimumHeight(kShownListMinimumHeight);
        m_modelList->setFocus();
    } else {
        m_modelList->setMinimumHeight(0);
    }
    if (changes) {
        m_listVisibilityButton->setText(visible ? QStringLiteral("Hide All")
                                                : QStringLiteral("Show All"));
        fitToContents();
    }
}

void SyncDialog::selectSelectedModelInList()
{
    if (!m_modelRows)
        return;
    m_modelList->selectionModel()->clear();
    const QModelIndex row = m_modelRows->indexOfFile(m_selectedModel);
    if (row.isValid()) {
        m_modelList->setCurrentIndex(row);
        m_modelList->scrollTo(row);
    }
}

std::optional<QString> SyncDialog::chosenModel()
{
    if (m_modelList->isHidden())
        return m_selectedModel;
    const QModelIndexList selected =
        m_modelRows ? m_modelList->selectionModel()->selectedIndexes() : QModelIndexList();
    if (selected.isEmpty()) {
        showError(modelsync::kNoSelectionText);
        return std::nullopt;
    }
    return selected.first().data(SyncModelList::FileNameRole).toString();
}

void SyncDialog::onSyncSettings(InitialSyncDirection direction)
{
    if (m_syncing || m_readingDifferences)
        return;
    const std::optional<QString> chosen = chosenModel();
    if (!chosen)
        return;
    m_selectedModel = *chosen;

    std::expected<modelsync::SyncTarget, QString> target =
        modelsync::prepareSyncModel(m_context, m_selectedModel);
    if (!target) {
        showError(target.error());
        return;
    }

    setSyncing(true);
    modelsync::startModelSync(
        m_context, std::move(*target), direction, logTag(), this,
        [this](float fraction) { m_progressBar->setValue(int(std::lround(fraction * 100.0f))); },
        [this](const modelsync::SyncOutcome &outcome) { onSyncFinished(outcome); });
}

void SyncDialog::onShowDifferences()
{
    if (m_syncing || m_readingDifferences)
        return;
    // A look at the differences does not change which model the dialog offers.
    const std::optional<QString> chosen = chosenModel();
    if (!chosen)
        return;
    setReadingDifferences(true);
    modelsync::startDifferences(m_context, *chosen, this,
                                [this](std::expected<QList<ModelDifference>, QString> differences) {
                                    setReadingDifferences(false);
                                    if (!differences) {
                                        showError(differences.error());
                                        return;
                                    }
                                    auto *dialog =
                                        new DifferencesDialog(std::move(*differences), this);
                                    dialog->setAttribute(Qt::WA_DeleteOnClose);
                                    dialog->open();
                                });
}

void SyncDialog::setReadingDifferences(bool reading)
{
    m_readingDifferences = reading;
    const std::initializer_list<QWidget *> controls{m_useDeviceButton, m_useComputerButton,
                                                    m_showDifferencesButton, m_listVisibilityButton,
                                                    m_modelList};
    for (QWidget *control : controls)
        control->setEnabled(!reading);
    // Busy while the device's sections come in; a sync later shows its own progress.
    m_progressBar->setRange(0, reading ? 0 : kProgressMaximum);
    m_progressBar->setTextVisible(!reading);
    m_progressBar->setVisible(reading);
    fitToContents();
}

void SyncDialog::setSyncing(bool syncing)
{
    m_syncing = syncing;
    m_useDeviceButton->setEnabled(!syncing);
    m_useComputerButton->setEnabled(!syncing);
    m_showDifferencesButton->setEnabled(!syncing);
    m_listVisibilityButton->setEnabled(!syncing);
    m_modelList->setEnabled(!syncing);
    if (syncing) {
        m_progressBar->setValue(0);
        m_progressBar->show();
        fitToContents();
    }
}

void SyncDialog::onSyncFinished(const modelsync::SyncOutcome &outcome)
{
    if (!outcome.ok()) {
        QMessageBox *box = showError(modelsync::kSyncFailedText);
        // Queued: whoever deletes the rejected dialog also deletes the box, which must have
        // finished its own closing by then.
        connect(
            box, &QMessageBox::finished, this, [this] { QDialog::done(QDialog::Rejected); },
            Qt::QueuedConnection);
        return;
    }
    m_progressBar->setValue(m_progressBar->maximum());
    m_syncing = false;
    accept();
}

QMessageBox *SyncDialog::showError(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Critical, libraryoperations::kErrorTitle, text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not exec(): a nested event loop would let the main window delete this dialog under it.
    box->open();
    return box;
}

void SyncDialog::reject()
{
    if (m_syncing)
        return;
    QDialog::reject();
}

void SyncDialog::fitToContents()
{
    adjustSize();
    // adjustSize() measures the wrapped prompt at the width it would like, which a small
    // screen may refuse; the prompt then takes more lines and would push the buttons over the
    // list.
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

QString SyncDialog::logTag() const
{
    return QStringLiteral("0x%1").arg(quintptr(this), 0, 16);
}
