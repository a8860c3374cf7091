#pragma once

#include "online/sitedata.h"
#include "online/ui/onlinecontext.h"
#include "online/ui/updatecheck.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

class DeviceManager;
class QLabel;
class QPushButton;
class QStackedWidget;

// One device on the update page: what it is and which software it runs, whether the service
// has a newer version for it (installed through UpdateDialog), and the installation of an
// update file chosen or dropped on the widget.
class DeviceUpdateWidget : public QWidget
{
    Q_OBJECT

public:
    // The context's settings must outlive the widget.
    explicit DeviceUpdateWidget(const OnlineContext &context, QWidget *parent = nullptr);
    ~DeviceUpdateWidget() override;

    // Shows the device and runs the online check silently.
    void setDevice(std::uint8_t target, const QString &deviceName, const QString &serialNumber,
                   const QString &versionText, const QString &versionToolTip, int productCode,
                   const QString &faaSerialNumber);

    [[nodiscard]] std::uint8_t target() const { return m_target; }
    // The online check behind the pages (tests hand it their own requests).
    [[nodiscard]] UpdateCheck &updateCheck() { return m_check; }
    [[nodiscard]] const UpdateCheck &updateCheck() const { return m_check; }
    // Asks the user for an update file: the chosen path, or empty when cancelled. The
    // widget's own is a QFileDialog; tests hand in their own.
    struct FileRequest
    {
        QString title;
        QString folder;
        QStringList nameFilters;
    };
    using FileChooser = std::function<QString(QWidget *parent, const FileRequest &request)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // A drag with files is over the widget.
    [[nodiscard]] bool dropHighlight() const { return m_dropHighlight; }

    // The installation of SAX bytes already in memory on the device `target` of the set
    // behind `deviceManager`'s connection. `completion` runs after the transfer, successful
    // or not (not after a failed switch to the bootloader).
    static void updateFromData(QWidget *parent, DeviceManager *deviceManager, std::uint8_t target,
                               int productCode, const QString &serialNumber, const QByteArray &data,
                               std::function<void()> completion);

public slots:
    // Not silent: asks for a log-in or a registration when the check needs one.
    void checkForUpdates(bool silent = false);
    // An empty path asks for the file.
    void updateFromFile(QString path = {});

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildForm();
    QWidget *buildPages();
    QWidget *buildFileGroup();
    void showPage(UpdateCheck::Page page);
    void installUpdates(const QList<UpdateData> &updates);
    void installProposal();
    void installAnotherVersion();
    void copyFaaSerialNumber();
    [[nodiscard]] QString chooseUpdateFile();
    void setDropHighlight(bool highlight);

    OnlineContext m_context;
    UpdateCheck m_check;
    FileChooser m_chooseFile;
    std::uint8_t m_target = 0;
    bool m_dropHighlight = false;

    // The form.
    QLabel *m_imageLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_serialNumberLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_faaSerialNumberTitle = nullptr;
    QLabel *m_faaSerialNumberLabel = nullptr;
    QPushButton *m_copyButton = nullptr;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_loginAndRegisterPage = nullptr;
    QWidget *m_checkingUpdatesPage = nullptr;
    QWidget *m_errorCheckingPage = nullptr;
    QWidget *m_noUpdatesPage = nullptr;
    QWidget *m_updatePage = nullptr;
    QLabel *m_errorLabel = nullptr;
    QLabel *m_updateLabel = nullptr;
};
