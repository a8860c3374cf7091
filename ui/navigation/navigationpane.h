#pragma once

#include "device/devicemode.h"
#include "models/pageinfo.h"
#include "ui/navigation/pageregistry.h"

#include <QWidget>

#include <memory>
#include <optional>

class Model;
class NavigationList;
class Page;
class QListWidget;
class QStackedWidget;

// The navigation list beside the page stack: the program's own pages, then the editor pages of
// the current model, enabled according to the device link.
class NavigationPane : public QWidget
{
    Q_OBJECT

public:
    explicit NavigationPane(const PageRegistry &registry, QWidget *parent = nullptr);
    ~NavigationPane() override;

    // Replaces the editor rows with those of `model` (none without a model) and selects the
    // row titled `titleToSelect`, or no row when there is none of that title.
    void rebuildNavigation(const std::shared_ptr<Model> &model, const PageContext &context,
                           const QString &titleToSelect);
    // Enables the rows the device state allows; the selection moves to the first enabled row
    // when its row is no longer enabled.
    void updateEnabledPages(DeviceMode mode, bool hasModelClass);

    // Empty when no row is selected.
    [[nodiscard]] QString selectedTitle() const;
    // One record per row, in row order, with the pages set.
    [[nodiscard]] const PageInfoList &records() const { return m_records; }
    [[nodiscard]] QListWidget *navList() const;
    [[nodiscard]] QStackedWidget *pageStack() const { return m_pageStack; }
    // The page of the first row with that title, or null.
    [[nodiscard]] Page *pageForTitle(const QString &title) const;
    // Shows or hides the notification picture on the rows with that title.
    void setRowNotification(const QString &title, bool shown);

signals:
    // The page of the selected row; null when no row is selected.
    void currentPageChanged(Page *page);

private:
    [[nodiscard]] PageInfo makeRecord(const PageInfo &info, const PageContext &context);
    void followVisibility(Page *page);
    void dropEditorPages();
    // Makes the rows of the records; answers the row titled `titleToSelect`.
    [[nodiscard]] std::optional<int> fillList(const QString &titleToSelect);
    void applyEnabling();
    void selectRow(std::optional<int> row);
    [[nodiscard]] std::optional<int> selectedRow() const;
    [[nodiscard]] QList<bool> choosableRows() const;
    void pageVisibilityChanged(Page *page, bool visible);
    void showSelectedPage();
    void updateListWidth();

    const PageRegistry &m_registry;
    NavigationList *m_navList = nullptr;
    QStackedWidget *m_pageStack = nullptr;
    Page *m_placeholder = nullptr;
    // The program's own rows, made at the first rebuild and kept.
    PageInfoList m_programRecords;
    PageInfoList m_records;
    std::shared_ptr<Model> m_model;
    // Receives the connections to the current model; replaced with the model.
    QObject *m_modelConnections = nullptr;
    DeviceMode m_deviceMode = DeviceMode::Unknown;
    bool m_hasModelClass = false;
    // While rebuilding, the requested title decides the selection, not the enabling rule.
    bool m_rebuilding = false;
    Page *m_shownPage = nullptr;
};
