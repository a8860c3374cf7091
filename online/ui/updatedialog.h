#pragma once

#include "online/sitedata.h"
#include "online/zandorexsite.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <cstdint>

class DeviceManager;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTextEdit;

// Shows the offered updates with their descriptions and change lists, downloads the chosen
// one and installs it on the device. Closes once the installation has ended; Cancel stops a
// running download first and closes only when none runs.
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit UpdateDialog(DeviceManager *deviceManager, QWidget *parent = nullptr);
    // Aborts the downloads still under way; their results are dropped.
    ~UpdateDialog() override;

    void setUpdates(const QList<UpdateData> &updates, std::uint8_t target, int productCode,
                    const QString &serialNumber);

    [[nodiscard]] bool isDownloading() const { return m_downloading; }

public slots:
    void updateItemSelectionChanged();
    // Cancel: stops a running download and stays open, otherwise closes.
    void reject() override;
    void done(int result) override;

private:
    void buildForm();
    void downloadChanges(const QString &url);
    void showChanges(QNetworkReply::NetworkError error, const QByteArray &body);
    void startDownload();
    void downloadFinished(QNetworkReply::NetworkError error, const QByteArray &body);
    [[nodiscard]] int selectedIndex() const;

    DeviceManager *m_deviceManager = nullptr;
    QList<UpdateData> m_updates;
    std::uint8_t m_target = 0;
    int m_productCode = 0;
    QString m_serialNumber;

    // The update file's download: running from the button until its completion.
    DownloadHandle m_download;
    bool m_downloading = false;
    // The change list of the selected update; a new selection replaces it.
    DownloadHandle m_changesDownload;

    // The form.
    QLabel *m_updatesLabel = nullptr;
    QListWidget *m_updatesList = nullptr;
    QLabel *m_titleLabel = nullptr;
    QTextEdit *m_descriptionTextEdit = nullptr;
    QTextEdit *m_changesTextEdit = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
    QPushButton *m_updateButton = nullptr;
};
