// NavigationPane: building the navigation rows from the page records and following the
// selection with the page stack.
#include "ui/navigation/navigationpane.h"

#include "models/classes/transmittermodel.h"
#include "models/devicemodel.h"
#include "ui/navigation/navigationdelegate.h"
#include "ui/navigation/navigationlist.h"
#include "ui/navigation/page.h"
#include "ui/navigation/pageenabling.h"
#include "ui/navigation/transmitterpagewiring.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextStream>

namespace {

// Wide enough for the usual titles, so that the pages keep their place when the model changes.
constexpr int kMinimumListWidthInFontHeights = 14;

[[nodiscard]] PageInfoList programRecords()
{
    return {
        PageInfo::forPage(NavigationPane::tr("Models"), PageKind::ModelLibrary),
        PageInfo::forPage(NavigationPane::tr("Software Update"), PageKind::SoftwareUpdate,
                          PageMode::Default, PageFlag::NeedsConnectedDevice),
    };
}

} // namespace

NavigationPane::NavigationPane(const PageRegistry &registry, QWidget *parent)
    : QWidget(parent)
    , m_registry(registry)
    , m_navList(new NavigationList(this))
    , m_pageStack(new QStackedWidget(this))
    , m_placeholder(new Page)
{
    m_navList->setObjectName(QStringLiteral("navList"));
    m_navList->setAccessibleName(tr("Navigation"));
    m_navList->setItemDelegate(new NavigationDelegate(m_navList));
    m_navList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageStack->setObjectName(QStringLiteral("pageStack"));
    m_placeholder->setShowBackground(true);
    m_pageStack->addWidget(m_placeholder);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_navList);
    layout->addWidget(m_pageStack, 1);

    connect(m_navList, &QListWidget::itemSelectionChanged, this, &NavigationPane::showSelectedPage);
}

NavigationPane::~NavigationPane() = default;

QListWidget *NavigationPane::navList() const
{
    return m_navList;
}

PageInfo NavigationPane::makeRecord(const PageInfo &info, const PageContext &context)
{
    PageInfo record = info;
    record.page = m_registry.create(info, context);
    followVisibility(record.page);
    return record;
}

void NavigationPane::followVisibility(Page *page)
{
    connect(page, &Page::visibilityChanged, this,
            [this, page](bool visible) { pageVisibilityChanged(page, visible); });
}

void NavigationPane::rebuildNavigation(const std::shared_ptr<Model> &model,
                                       const PageContext &context, const QString &titleToSelect)
{
    m_rebuilding = true;
    PageContext pageContext = context;
    pageContext.model = model;

    delete m_modelConnections;
    m_modelConnections = new QObject(this);
    dropEditorPages();
    m_model = model;

    if (m_programRecords.isEmpty()) {
        for (const PageInfo &info : programRecords())
            m_programRecords.append(makeRecord(info, pageContext));
    }
    m_records = m_programRecords;
    if (m_model) {
        PageInfoList editorPages;
        m_model->createEditorPages(editorPages);
        for (const PageInfo &info : editorPages)
            m_records.append(makeRecord(info, pageContext));
        if (auto *transmitter = qobject_cast<TransmitterModel *>(m_model.get()))
            followTransmitterAircraft(*transmitter, m_records, m_modelConnections);
        if (auto *deviceModel = qobject_cast<DeviceModel *>(m_model.get())) {
            connect(deviceModel, &DeviceModel::allSettingsChanged, m_modelConnections, [this] {
                if (m_shownPage)
                    m_shownPage->refresh();
            });
        }
    }

    std::optional<int> rowToSelect = fillList(titleToSelect);
    if (m_pageStack->indexOf(m_placeholder) < 0)
        m_pageStack->addWidget(m_placeholder);
    updateEnabledPages(m_deviceMode, m_hasModelClass);
    m_rebuilding = false;

    // A row that the device state closes gives way as the enabling rule says.
    if (rowToSelect && !m_navList->isRowChoosable(*rowToSelect))
        rowToSelect = rowToKeepSelected(choosableRows(), rowToSelect);
    selectRow(rowToSelect);
    updateListWidth();
}

void NavigationPane::dropEditorPages()
{
    for (qsizetype row = m_programRecords.size(); row < m_records.size(); ++row) {
        Page *page = m_records.at(row).page;
        m_pageStack->removeWidget(page);
        page->disconnect(this);
        page->deleteLater();
    }
    m_records = m_programRecords;
}

std::optional<int> NavigationPane::fillList(const QString &titleToSelect)
{
    std::optional<int> rowToSelect;
    const QSignalBlocker blocker(m_navList);
    m_navList->clear();
    for (const PageInfo &record : std::as_const(m_records)) {
        auto *item = new QListWidgetItem(record.title);
        if (record.isHeader)
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        item->setData(NavigationRole::IsHeader, record.isHeader);
        item->setData(NavigationRole::Flags, uint(record.flags));
        m_navList->addItem(item);
        if (record.title == titleToSelect)
            rowToSelect = m_navList->count() - 1;
        if (m_pageStack->indexOf(record.page) < 0)
            m_pageStack->addWidget(record.page);
        item->setHidden(!record.page->isPageVisible());
    }
    return rowToSelect;
}

void NavigationPane::updateEnabledPages(DeviceMode mode, bool hasModelClass)
{
    m_deviceMode = mode;
    m_hasModelClass = hasModelClass;
    const PageEnabling enabling(mode, hasModelClass);
    QTextStream(stdout) << enabling.logLine() << Qt::endl;

    for (int row = 0; row < m_navList->count(); ++row) {
        QListWidgetItem *item = m_navList->item(row);
        const bool enabled = enabling.isRowEnabled(m_records.at(row).flags);
        item->setFlags(enabled ? item->flags() | Qt::ItemIsEnabled
                               : item->flags() & ~Qt::ItemIsEnabled);
    }
    if (!m_rebuilding)
        selectRow(rowToKeepSelected(choosableRows(), selectedRow()));
}

QList<bool> NavigationPane::choosableRows() const
{
    QList<bool> choosable;
    for (int row = 0; row < m_navList->count(); ++row)
        choosable.append(m_navList->isRowChoosable(row));
    return choosable;
}

std::optional<int> NavigationPane::selectedRow() const
{
    const QList<QListWidgetItem *> selected = m_navList->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return m_navList->row(selected.first());
}

void NavigationPane::selectRow(std::optional<int> row)
{
    if (!row) {
        m_navList->clearSelection();
        m_navList->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    } else if (row != selectedRow()) {
        m_navList->setCurrentRow(*row, QItemSelectionModel::ClearAndSelect);
    }
    // A row that was closed leaves the selection without the list telling anyone.
    showSelectedPage();
}

void NavigationPane::showSelectedPage()
{
    const std::optional<int> row = selectedRow();
    Page *page = row ? m_records.at(*row).page : nullptr;
    if (page == m_shownPage)
        return;
    m_shownPage = page;
    m_pageStack->setCurrentWidget(page ? page : m_placeholder);
    if (page)
        page->refresh();
    emit currentPageChanged(page);
}

void NavigationPane::pageVisibilityChanged(Page *page, bool visible)
{
    // Rows are made from the pages' visibility once the records are complete.
    if (m_rebuilding)
        return;
    for (int row = 0; row < m_records.size() && row < m_navList->count(); ++row) {
        if (m_records.at(row).page != page)
            continue;
        m_navList->item(row)->setHidden(!visible);
        // A page that leaves the list takes the selection with it to a row still there.
        if (!visible && selectedRow() == row)
            selectRow(rowToKeepSelected(choosableRows(), row));
    }
}

QString NavigationPane::selectedTitle() const
{
    const std::optional<int> row = selectedRow();
    return row ? m_records.at(*row).title : QString();
}

Page *NavigationPane::pageForTitle(const QString &title) const
{
    for (const PageInfo &record : m_records) {
        if (record.title == title)
            return record.page;
    }
    return nullptr;
}

void NavigationPane::setRowNotification(const QString &title, bool shown)
{
    for (int row = 0; row < m_records.size(); ++row) {
        PageInfo &record = m_records[row];
        if (record.title != title)
            continue;
        if (shown)
            record.flags |= PageFlag::ShowsNotification;
        else
            record.flags &= ~PageFlag::ShowsNotification;
        if (row < m_programRecords.size())
            m_programRecords[row].flags = record.flags;
        if (QListWidgetItem *item = m_navList->item(row))
            item->setData(NavigationRole::Flags, uint(record.flags));
    }
    m_navList->viewport()->update();
}

void NavigationPane::updateListWidth()
{
    const int frame = 2 * m_navList->frameWidth();
    const int scrollBar = m_navList->verticalScrollBar()->sizeHint().width();
    const int minimum = kMinimumListWidthInFontHeights * m_navList->fontMetrics().height();
    m_navList->setFixedWidth(qMax(minimum, m_navList->sizeHintForColumn(0) + frame + scrollBar));
}
