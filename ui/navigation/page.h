#pragma once

#include <QList>
#include <QWidget>

#include <functional>

// One screen of the editor, shown in the page stack beside the navigation list. Each control
// that mirrors a model setting registers a refresher, so that `refresh` brings every control
// up to date after a change from anywhere.
class Page : public QWidget
{
    Q_OBJECT

public:
    explicit Page(QWidget *parent = nullptr);
    ~Page() override;

    [[nodiscard]] bool showBackground() const { return m_showBackground; }
    void setShowBackground(bool show);
    [[nodiscard]] bool showLogo() const { return m_showLogo; }
    void setShowLogo(bool show);

    [[nodiscard]] bool isPageVisible() const { return m_pageVisible; }
    // Always tells listeners, also when the value stays, so that a row that lost track
    // follows again.
    void setPageVisible(bool visible);

    void addRefresher(std::function<void()> refresher);

signals:
    void visibilityChanged(bool visible);

public slots:
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_showBackground = false;
    bool m_showLogo = false;
    bool m_pageVisible = true;
    QList<std::function<void()>> m_refreshers;
};
