#include "online/ui/updatedialog.h"

#include "online/siteconfig.h"
#include "online/ui/deviceupdatewidget.h"
#include "online/ui/firmwareinstaller.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kDownloadFailedText = QStringLiteral("There was an error downloading the update.");
const QString kChangesFailedHtml = QStringLiteral("Error getting list of changes.");
const QString kInvalidEncodingText = QStringLiteral("(invalid encoding)");
constexpr int kListWidth = 160;

void abortIfRunning(const DownloadHandle &handle)
{
    if (handle)
        abortDownload(handle);
}

void appendHtml(QTextEdit *edit, const QString &html)
{
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertHtml(html);
}

void appendPlainText(QTextEdit *edit, const QString &text)
{
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

// The change list as UTF-8; nothing when it is not valid UTF-8, also when it breaks off
// inside a character.
std::optional<QString> decodeUtf8(const QByteArray &body)
{
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForName("UTF-8")->toUnicode(body.constData(), int(body.size()), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return std::nullopt;
    return text;
}

} // namespace

UpdateDialog::UpdateDialog(DeviceManager *deviceManager, QWidget *parent)
    : QDialog(parent)
    , m_deviceManager(deviceManager)
{
    setWindowTitle(tr("Update Available"));
    buildForm();
}

UpdateDialog::~UpdateDialog()
{
    abortIfRunning(m_changesDownload);
    abortIfRunning(m_download);
}

void UpdateDialog::buildForm()
{
    m_updatesList = new QListWidget(this);
    m_updatesList->setObjectName(QStringLiteral("updatesList"));
    m_updatesList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_updatesList->setFixedWidth(kListWidth);
    m_updatesList->setAccessibleName(tr("Updates"));
    m_updatesList->hide();
    connect(m_updatesList, &QListWidget::itemSelectionChanged, this,
            &UpdateDialog::updateItemSelectionChanged);

    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setWordWrap(true);
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    m_titleLabel->setFont(titleFont);
    m_descriptionTextEdit = new QTextEdit(this);
    m_descriptionTextEdit->setObjectName(QStringLiteral("descriptionTextEdit"));
    m_descriptionTextEdit->setReadOnly(true);
    m_descriptionTextEdit->setAccessibleName(tr("Description"));
    auto *changesLabel = new QLabel(tr("Changes:"), this);
    m_changesTextEdit = new QTextEdit(this);
    m_changesTextEdit->setObjectName(QStringLiteral("changesTextEdit"));
    m_changesTextEdit->setReadOnly(true);
    changesLabel->setBuddy(m_changesTextEdit);

    auto *details = new QVBoxLayout;
    details->addWidget(m_titleLabel);
    details->addWidget(m_descriptionTextEdit, 1);
    details->addWidget(changesLabel);
    details->addWidget(m_changesTextEdit, 2);

    auto *content = new QHBoxLayout;
    content->addWidget(m_updatesList);
    content->addLayout(details, 1);

    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_updateButton = m_buttonBox->button(QDialogButtonBox::Ok);
    m_updateButton->setText(tr("Update"));
    m_updateButton->setObjectName(QStringLiteral("updateButton"));
    // The Update button downloads; the dialog closes only once the installation has ended.
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &UpdateDialog::startDownload);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &UpdateDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(content, 1);
    layout->addWidget(m_buttonBox);
    resize(560, 420);
}

void UpdateDialog::setUpdates(const QList<UpdateData> &updates, std::uint8_t target,
                              int productCode, const QString &serialNumber)
{
    m_updates = updates;
    m_target = target;
    m_productCode = productCode;
    m_serialNumber = serialNumber;

    const QSignalBlocker blocker(m_updatesList);
    m_updatesList->clear();
    for (const UpdateData &update : updates)
        m_updatesList->addItem(update.title);
    m_updatesList->setVisible(updates.size() > 1);
    if (!updates.isEmpty())
        m_updatesList->setCurrentRow(0);
    updateItemSelectionChanged();
}

int UpdateDialog::selectedIndex() const
{
    const QList<QListWidgetItem *> selected = m_updatesList->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int row = m_updatesList->row(selected.first());
    return row < m_updates.size() ? row : -1;
}

void UpdateDialog::updateItemSelectionChanged()
{
    m_descriptionTextEdit->clear();
    m_changesTextEdit->clear();
    // The previous selection's change list would only be dropped on arrival.
    abortIfRunning(m_changesDownload);
    m_changesDownload.reset();

    const int index = selectedIndex();
    if (index < 0) {
        m_titleLabel->clear();
        return;
    }
    const UpdateData &update = m_updates.at(index);
    m_titleLabel->setText(update.title);
    appendHtml(m_descriptionTextEdit, update.description);
    m_descriptionTextEdit->moveCursor(QTextCursor::Start);
    if (!update.manualDownloadUri.isEmpty())
        downloadChanges(update.manualDownloadUri);
}

void UpdateDialog::downloadChanges(const QString &url)
{
    const DownloadHandle handle = makeDownloadHandle();
    m_changesDownload = handle;
    const QPointer<UpdateDialog> self(this);
    downloadFile(
        QUrl(url), handle,
        [self, handle](QNetworkReply::NetworkError error, const QByteArray &body) {
            // Another selection, or a closed dialog, no longer wants this list.
            if (!self || self->m_changesDownload != handle)
                return;
            self->m_changesDownload.reset();
            self->showChanges(error, body);
        },
        siteconfig::kMaxChangeListBytes);
}

void UpdateDialog::showChanges(QNetworkReply::NetworkError error, const QByteArray &body)
{
    if (error == QNetworkReply::OperationCanceledError)
        return;
    if (error != QNetworkReply::NoError) {
        appendHtml(m_changesTextEdit, kChangesFailedHtml);
    } else if (const std::optional<QString> text = decodeUtf8(body)) {
        appendPlainText(m_changesTextEdit, *text);
    } else {
        appendPlainText(m_changesTextEdit, kInvalidEncodingText);
    }
    m_changesTextEdit->moveCursor(QTextCursor::Start);
    m_changesTextEdit->verticalScrollBar()->setValue(0);
}

void UpdateDialog::startDownload()
{
    if (m_updates.isEmpty() || m_downloading)
        return;
    const int index = selectedIndex();
    if (index < 0)
        return;
    m_downloading = true;
    m_updateButton->setEnabled(false);
    const DownloadHandle handle = makeDownloadHandle();
    m_download = handle;
    const QPointer<UpdateDialog> self(this);
    downloadFile(
        QUrl(m_updates.at(index).downloadUri), handle,
        [self, handle](QNetworkReply::NetworkError error, const QByteArray &body) {
            if (!self || self->m_download != handle)
                return;
            self->downloadFinished(error, body);
        },
        siteconfig::kMaxUpdateBytes);
}

void UpdateDialog::downloadFinished(QNetworkReply::NetworkError error, const QByteArray &body)
{
    m_download.reset();
    m_downloading = false;
    m_updateButton->setEnabled(true);
    if (error == QNetworkReply::OperationCanceledError)
        return;
    if (error != QNetworkReply::NoError) {
        updateflow::showBox(this, QMessageBox::Critical, updateflow::kUpdateFailedTitle,
                            kDownloadFailedText);
        return;
    }
    const QPointer<UpdateDialog> self(this);
    DeviceUpdateWidget::updateFromData(this, m_deviceManager, m_target, m_productCode,
                                       m_serialNumber, body, [self] {
                                           if (self)
                                               self->QDialog::accept();
                                       });
}

void UpdateDialog::reject()
{
    if (m_downloading) {
        // Reported as cancelled even when the file had already arrived.
        abortIfRunning(m_download);
        return;
    }
    QDialog::reject();
}

void UpdateDialog::done(int result)
{
    // A change list that arrives after closing has nothing to show it.
    abortIfRunning(m_changesDownload);
    m_changesDownload.reset();
    QDialog::done(result);
}
