#pragma once

#include "app/shell/mainwindowcontroller.h"
#include "app/shell/mainwindowview.h"
#include "app/tooltipparser.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>

class DeviceConnection;
class HelpIndicator;
class LastSyncedModels;
class Log;
class ModelLibrary;
class NavigationPane;
class PageRegistry;
class ProgramExit;
class ProgressDialog;
class QAction;
class QCheckBox;
class QDialog;
class QLabel;
class QMenu;
class QPushButton;
class QSettings;

// What the main window is built on: the process-wide objects of start-up.
struct MainWindowServices
{
    DeviceConnection *connection = nullptr;
    ModelLibrary *models = nullptr;
    LastSyncedModels *lastSyncedModels = nullptr;
    QSettings *settings = nullptr;
    const ModelClassRegistry *registry = nullptr;
    Log *log = nullptr;
    const TooltipTable *tooltips = nullptr;
    const PageRegistry *pages = nullptr;
    ProgramExit *exit = nullptr;
};

// Makes the dialogs that later screens provide; the window owns what they return and deletes
// it when the device state changes. Unset: the window says in a box what the user must do.
struct MainWindowDialogs
{
    std::function<QDialog *(MainWindowController &, QWidget *parent)> calibration;
    std::function<QDialog *(MainWindowController &, QWidget *parent)> sync;
    // Account dialogs; unset leaves their menu entries disabled.
    std::function<void(QWidget *parent)> logIn;
    std::function<void(QWidget *parent)> registerAccount;
};

// The program's one top-level window: the navigation and pages, the device and model status,
// the cable's power switch and the Account, Edit, Debug and Help menus. Decisions live in
// MainWindowController; this shows them and forwards what the user does.
class MainWindow : public QMainWindow, private MainWindowView
{
    Q_OBJECT

public:
    static inline const QString kGeometryKey = QStringLiteral("geometries/mainWindow");

    // The navigation is built by the first setCurrentModel or restoreCurrentModel of the
    // controller, once the page factories are registered.
    MainWindow(MainWindowServices services, MainWindowDialogs dialogs = {},
               QWidget *parent = nullptr);
    ~MainWindow() override;

    [[nodiscard]] MainWindowController &controller() { return m_controller; }
    [[nodiscard]] NavigationPane *navigation() const { return m_navigation; }
    [[nodiscard]] QDialog *syncDialog() const { return m_syncDialog; }
    [[nodiscard]] QDialog *calibrationDialog() const { return m_calibrationDialog; }
    [[nodiscard]] QCheckBox *powerCheckBox() const { return m_powerCheckBox; }
    [[nodiscard]] QPushButton *connectButton() const { return m_connectButton; }
    [[nodiscard]] QLabel *deviceLabel() const { return m_deviceLabel; }
    [[nodiscard]] QLabel *noticeLabel() const { return m_noticeLabel; }
    [[nodiscard]] QWidget *logDialog() const { return m_logDialog; }
    [[nodiscard]] QWidget *protocolTestWindow() const { return m_protocolTestWindow; }
    [[nodiscard]] QAction *action(const QString &objectName) const;

    bool setCurrentModel(std::shared_ptr<Model> model)
    {
        return m_controller.setCurrentModel(std::move(model));
    }
    // Problems found at start-up (unreadable tooltips, an unwritable data directory), shown
    // in the window's notice line.
    void showStartupNotice(const QString &text);

public slots:
    void updateConnectionInfo();
    void updateModelInfo();
    void updateLogInInfo();
    void updateCablePower();
    void onActionClearTncSteps();
    void onActionReadCalibration();
    void onActionViewLog();
    void onActionViewProtocolLog();
    void onActionProtocolTestWindow();
    void onActionLogSerialPorts();
    void onActionAbout();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // MainWindowView
    void closeDeviceDialogs() override;
    void openCalibrationDialog() override;
    void openSyncDialog() override;
    void rebuildNavigation(const std::shared_ptr<Model> &model) override;
    void updateEnabledPages() override;
    void showSelectingProgress() override;
    void setSelectingProgress(float progress) override;
    void closeSelectingProgress() override;

    void buildStatusBar(QWidget *parent);
    void buildMenus();
    // Undo and Redo of the current model's edits, enabled as its history allows.
    void buildEditMenu();
    QAction *addAction(QMenu *menu, const QString &objectName, const QString &text,
                       void (MainWindow::*slot)());
    void showDialog(QPointer<QDialog> &slot, QDialog *dialog);
    void updateSavedWidgetGeometry();
    void updateNotice();
    void reconnectDevice();

    MainWindowServices m_services;
    MainWindowDialogs m_dialogs;
    MainWindowController m_controller;

    NavigationPane *m_navigation = nullptr;
    QLabel *m_modelImageLabel = nullptr;
    QLabel *m_modelLabel = nullptr;
    QLabel *m_deviceLabel = nullptr;
    QLabel *m_connectedIconLabel = nullptr;
    QPushButton *m_connectButton = nullptr;
    QCheckBox *m_powerCheckBox = nullptr;
    HelpIndicator *m_powerHelp = nullptr;
    QLabel *m_accountLabel = nullptr;
    QPushButton *m_logInButton = nullptr;
    QPushButton *m_logOutButton = nullptr;
    QLabel *m_noticeLabel = nullptr;
    QString m_startupNotice;

    QPointer<QDialog> m_calibrationDialog;
    QPointer<QDialog> m_syncDialog;
    QPointer<ProgressDialog> m_selectingProgress;
    QPointer<QWidget> m_logDialog;
    QPointer<QWidget> m_protocolLogDialog;
    QPointer<QWidget> m_protocolTestWindow;
    QTimer m_geometryTimer;
    bool m_geometryRestored = false;
};
