#include "online/ui/deviceupdatewidget.h"

#include "device/deviceconnection.h"
#include "devicestate/devicecatalog.h"
#include "online/siteconfig.h"
#include "online/ui/firmwareinstaller.h"
#include "online/ui/logindialog.h"
#include "online/ui/registerdevicedialog.h"
#include "online/ui/updatedialog.h"
#include "online/versions.h"
#include "ui/widgets/picture.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QString kOpenUpdateDirKey = QStringLiteral("openUpdateDir");
const QString kOpenFailedText = QStringLiteral("There was an error opening the file.");
constexpr int kDevicePictureSize = 64;
constexpr qreal kHighlightInset = 1.5;
constexpr int kHighlightPenWidth = 3;

QLabel *wrappingLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QPushButton *button(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *created = new QPushButton(text, parent);
    created->setObjectName(objectName);
    return created;
}

// A page of the stack: its text above, its buttons in a row below.
QWidget *stackPage(const QString &objectName, QLabel *label, const QList<QPushButton *> &buttons)
{
    auto *page = new QWidget;
    page->setObjectName(objectName);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    label->setParent(page);
    layout->addWidget(label);
    auto *row = new QHBoxLayout;
    for (QPushButton *rowButton : buttons) {
        rowButton->setParent(page);
        row->addWidget(rowButton);
    }
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

QString chooseWithFileDialog(QWidget *parent, const DeviceUpdateWidget::FileRequest &request)
{
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(request.nameFilters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

// The catalog's picture of the device, when the picture folder has it.
QPixmap devicePicture(const QString &serialNumber)
{
    const DeviceCatalogEntry *entry = catalogEntryForSerialNumber(serialNumber);
    if (!entry || !*entry->imageFile)
        return {};
    const QString fileName = QString::fromLatin1(entry->imageFile);
    if (!QFileInfo::exists(pictureFolder() + QLatin1Char('/') + fileName))
        return {};
    return loadPicture(fileName);
}

} // namespace

DeviceUpdateWidget::DeviceUpdateWidget(const OnlineContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_check(*context.settings)
    , m_chooseFile(&chooseWithFileDialog)
{
    setAcceptDrops(true);
    buildForm();
    m_check.setPrompts(
        [this] {
            LogInDialog dialog(m_context, window());
            return dialog.exec() == QDialog::Accepted;
        },
        [this](const QString &serialNumber) {
            RegisterDeviceDialog dialog(m_context, window());
            dialog.setSerialNumber(serialNumber);
            return dialog.exec() == QDialog::Accepted;
        });
    connect(&m_check, &UpdateCheck::pageChanged, this, &DeviceUpdateWidget::showPage);
    showPage(m_check.page());
}

DeviceUpdateWidget::~DeviceUpdateWidget() = default;

void DeviceUpdateWidget::buildForm()
{
    m_imageLabel = new QLabel(this);
    m_imageLabel->setObjectName(QStringLiteral("deviceImageLabel"));
    m_imageLabel->setFixedSize(kDevicePictureSize, kDevicePictureSize);
    m_imageLabel->setScaledContents(true);
    m_imageLabel->hide();
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("deviceNameLabel"));
    QFont nameFont = m_nameLabel->font();
    nameFont.setBold(true);
    m_nameLabel->setFont(nameFont);
    m_serialNumberLabel = new QLabel(this);
    m_serialNumberLabel->setObjectName(QStringLiteral("serialNumberLabel"));
    m_serialNumberLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_versionLabel = new QLabel(this);
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_faaSerialNumberTitle = new QLabel(tr("FAA Serial Number:"), this);
    m_faaSerialNumberLabel = new QLabel(this);
    m_faaSerialNumberLabel->setObjectName(QStringLiteral("faaSerialNumberLabel"));
    m_faaSerialNumberLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_copyButton = button(tr("Copy"), QStringLiteral("copyButton"), this);
    m_copyButton->setAccessibleName(tr("Copy FAA Serial Number"));
    connect(m_copyButton, &QPushButton::clicked, this, &DeviceUpdateWidget::copyFaaSerialNumber);

    auto *details = new QGridLayout;
    details->addWidget(m_nameLabel, 0, 0, 1, 3);
    details->addWidget(new QLabel(tr("Serial Number:"), this), 1, 0);
    details->addWidget(m_serialNumberLabel, 1, 1, 1, 2);
    details->addWidget(new QLabel(tr("Software Version:"), this), 2, 0);
    details->addWidget(m_versionLabel, 2, 1, 1, 2);
    details->addWidget(m_faaSerialNumberTitle, 3, 0);
    details->addWidget(m_faaSerialNumberLabel, 3, 1);
    details->addWidget(m_copyButton, 3, 2, Qt::AlignLeft);
    details->setColumnStretch(2, 1);
    m_faaSerialNumberTitle->hide();
    m_faaSerialNumberLabel->hide();
    m_copyButton->hide();

    auto *header = new QHBoxLayout;
    header->addWidget(m_imageLabel, 0, Qt::AlignTop);
    header->addLayout(details, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(buildPages());
    layout->addWidget(buildFileGroup());
}

QWidget *DeviceUpdateWidget::buildPages()
{
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));

    QPushButton *checkForUpdate =
        button(tr("Check for Update..."), QStringLiteral("checkForUpdateButton"), this);
    connect(checkForUpdate, &QPushButton::clicked, this, [this] { checkForUpdates(false); });
    m_loginAndRegisterPage = stackPage(
        QStringLiteral("loginAndRegisterPage"),
        wrappingLabel(tr("You need to log into your ZandorexNet account and register this device "
                         "to check for an update."),
                      this),
        {checkForUpdate});

    m_checkingUpdatesPage = stackPage(QStringLiteral("checkingUpdatesPage"),
                                      wrappingLabel(tr("Checking for updates..."), this), {});

    m_errorLabel = wrappingLabel({}, this);
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    QPushButton *checkAgain = button(tr("Check Again"), QStringLiteral("checkAgainButton"), this);
    connect(checkAgain, &QPushButton::clicked, this, [this] { checkForUpdates(false); });
    m_errorCheckingPage =
        stackPage(QStringLiteral("errorCheckingPage"), m_errorLabel, {checkAgain});

    QPushButton *noUpdatesAnother = button(tr("Install Another Version..."),
                                           QStringLiteral("noUpdatesInstallAnotherButton"), this);
    connect(noUpdatesAnother, &QPushButton::clicked, this,
            &DeviceUpdateWidget::installAnotherVersion);
    m_noUpdatesPage =
        stackPage(QStringLiteral("noUpdatesPage"),
                  wrappingLabel(tr("No new software version is available at this time."), this),
                  {noUpdatesAnother});

    m_updateLabel = wrappingLabel({}, this);
    m_updateLabel->setObjectName(QStringLiteral("updateLabel"));
    QPushButton *install = button(tr("Install..."), QStringLiteral("installButton"), this);
    connect(install, &QPushButton::clicked, this, &DeviceUpdateWidget::installProposal);
    QPushButton *another =
        button(tr("Install Another Version..."), QStringLiteral("installAnotherButton"), this);
    connect(another, &QPushButton::clicked, this, &DeviceUpdateWidget::installAnotherVersion);
    m_updatePage = stackPage(QStringLiteral("updatePage"), m_updateLabel, {install, another});

    for (QWidget *page : {m_loginAndRegisterPage, m_checkingUpdatesPage, m_errorCheckingPage,
                          m_noUpdatesPage, m_updatePage})
        m_pages->addWidget(page);
    return m_pages;
}

QWidget *DeviceUpdateWidget::buildFileGroup()
{
    auto *group = new QGroupBox(tr("File Update"), this);
    group->setObjectName(QStringLiteral("fileUpdateGroup"));
    QPushButton *choose = button(tr("Choose File..."), QStringLiteral("chooseFileButton"), group);
    connect(choose, &QPushButton::clicked, this, [this] { updateFromFile(); });
    auto *row = new QHBoxLayout;
    row->addWidget(choose);
    row->addWidget(new QLabel(tr("or drag and drop"), group));
    row->addStretch();
    auto *layout = new QVBoxLayout(group);
    layout->addWidget(
        wrappingLabel(tr("You can install new software from an update file."), group));
    layout->addLayout(row);
    return group;
}

void DeviceUpdateWidget::setDevice(std::uint8_t target, const QString &deviceName,
                                   const QString &serialNumber, const QString &versionText,
                                   const QString &versionToolTip, int productCode,
                                   const QString &faaSerialNumber)
{
    m_target = target;
    m_nameLabel->setText(deviceName);
    m_serialNumberLabel->setText(serialNumberDisplayForm(serialNumber));
    m_versionLabel->setText(versionText);
    m_versionLabel->setToolTip(versionToolTip);
    const bool hasFaaSerialNumber = !faaSerialNumber.isEmpty();
    m_faaSerialNumberLabel->setText(faaSerialNumber);
    m_faaSerialNumberTitle->setVisible(hasFaaSerialNumber);
    m_faaSerialNumberLabel->setVisible(hasFaaSerialNumber);
    m_copyButton->setVisible(hasFaaSerialNumber);
    const QPixmap picture = devicePicture(serialNumber);
    m_imageLabel->setPixmap(picture);
    m_imageLabel->setVisible(!picture.isNull());

    m_check.setDevice({serialNumber, versionText, productCode});
    checkForUpdates(true);
}

void DeviceUpdateWidget::checkForUpdates(bool silent)
{
    m_check.check(silent);
}

void DeviceUpdateWidget::showPage(UpdateCheck::Page page)
{
    switch (page) {
    case UpdateCheck::Page::LoginAndRegister:
        m_pages->setCurrentWidget(m_loginAndRegisterPage);
        break;
    case UpdateCheck::Page::Checking:
        m_pages->setCurrentWidget(m_checkingUpdatesPage);
        break;
    case UpdateCheck::Page::Error:
        m_errorLabel->setText(m_check.errorMessage());
        m_pages->setCurrentWidget(m_errorCheckingPage);
        break;
    case UpdateCheck::Page::NoUpdates:
        m_pages->setCurrentWidget(m_noUpdatesPage);
        break;
    case UpdateCheck::Page::UpdateAvailable:
        if (const std::optional<UpdateData> proposal = m_check.proposal())
            m_updateLabel->setText(tr("Version %1 is available.").arg(proposal->version));
        m_pages->setCurrentWidget(m_updatePage);
        break;
    }
}

void DeviceUpdateWidget::installProposal()
{
    if (const std::optional<UpdateData> proposal = m_check.proposal())
        installUpdates({*proposal});
}

void DeviceUpdateWidget::installAnotherVersion()
{
    installUpdates(m_check.availableUpdates());
}

void DeviceUpdateWidget::installUpdates(const QList<UpdateData> &updates)
{
    if (updates.isEmpty())
        return;
    // Parented to the window, not to this widget: the update page rebuilds its widgets
    // whenever the device state changes, which an installation does.
    const QPointer<UpdateDialog> dialog = new UpdateDialog(m_context.deviceManager, window());
    const UpdateCheck::Device &device = m_check.device();
    dialog->setUpdates(updates, m_target, device.productCode, device.serialNumber);
    dialog->exec();
    delete dialog.data();
}

void DeviceUpdateWidget::copyFaaSerialNumber()
{
    QApplication::clipboard()->setText(m_faaSerialNumberLabel->text());
}

void DeviceUpdateWidget::updateFromFile(QString path)
{
    const QPointer<DeviceUpdateWidget> self(this);
    if (path.isEmpty()) {
        path = chooseUpdateFile();
        if (!self || path.isEmpty())
            return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        updateflow::showBox(window(), QMessageBox::Critical, updateflow::kUpdateFailedTitle,
                            kOpenFailedText);
        return;
    }
    // No update file comes near this size; a larger one was chosen by mistake.
    if (file.size() > siteconfig::kMaxUpdateBytes) {
        updateflow::showBox(window(), QMessageBox::Critical, updateflow::kUpdateFailedTitle,
                            DeviceConnection::errorString(DeviceConnectionError::NotSaxFile));
        return;
    }
    const UpdateCheck::Device &device = m_check.device();
    updateFromData(window(), m_context.deviceManager, m_target, device.productCode,
                   device.serialNumber, file.readAll(), {});
}

QString DeviceUpdateWidget::chooseUpdateFile()
{
    QSettings &settings = *m_context.settings;
    QString folder = settings.value(kOpenUpdateDirKey).toString();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QPointer<DeviceUpdateWidget> self(this);
    const QString chosen = m_chooseFile(
        window(), {tr("Choose Update File"), folder, {tr("SAX (*.sax)"), tr("All Files (*)")}});
    // The dialog ran an event loop, in which the update page may have rebuilt its widgets.
    if (!self)
        return {};
    if (!chosen.isEmpty())
        settings.setValue(kOpenUpdateDirKey, QFileInfo(chosen).absolutePath());
    return chosen;
}

void DeviceUpdateWidget::updateFromData(QWidget *parent, DeviceManager *deviceManager,
                                        std::uint8_t target, int productCode,
                                        const QString &serialNumber, const QByteArray &data,
                                        std::function<void()> completion)
{
    FirmwareInstaller::install(parent, deviceManager,
                               {target, std::uint16_t(productCode), serialNumber, data},
                               std::move(completion));
}

void DeviceUpdateWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    setDropHighlight(true);
}

void DeviceUpdateWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropHighlight(false);
    QWidget::dragLeaveEvent(event);
}

void DeviceUpdateWidget::dropEvent(QDropEvent *event)
{
    setDropHighlight(false);
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    event->acceptProposedAction();
    if (urls.first().isLocalFile())
        updateFromFile(urls.first().toLocalFile());
}

void DeviceUpdateWidget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!m_dropHighlight)
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), kHighlightPenWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(kHighlightInset, kHighlightInset, -kHighlightInset,
                                             -kHighlightInset));
}

void DeviceUpdateWidget::setDropHighlight(bool highlight)
{
    if (m_dropHighlight == highlight)
        return;
    m_dropHighlight = highlight;
    update();
}
