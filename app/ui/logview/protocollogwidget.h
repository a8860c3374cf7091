#pragma once

#include "app/ui/logview/protocollogentry.h"

#include <QList>
#include <QRect>
#include <QVector>
#include <QWidget>

// Packets as cards: sent ones on the left, received ones on the right, like the two sides of a
// conversation. Loopback and junk cards are hidden until asked for, because the cable echoes
// every byte we send and would otherwise double the log. The height follows the shown cards
// (height-for-width, since long values wrap), so a resizable QScrollArea around it scrolls.
class ProtocolLogWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ProtocolLogWidget(QWidget *parent = nullptr);

    void addEntry(ProtocolLogEntry entry);
    void clearEntries();
    [[nodiscard]] const QList<ProtocolLogEntry> &entries() const { return m_entries; }

    [[nodiscard]] bool isLoopbackVisible() const { return m_loopbackVisible; }
    [[nodiscard]] bool isJunkVisible() const { return m_junkVisible; }
    void setLoopbackVisible(bool visible);
    void setJunkVisible(bool visible);

    // The entries drawn under the current visibility flags, and their cards in widget
    // coordinates, top to bottom.
    [[nodiscard]] int visibleEntryCount() const;
    [[nodiscard]] QVector<QRect> cardRects() const;

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct RowGeometry
    {
        QRect label;
        QRect value;
    };
    struct Card
    {
        int entryIndex = 0;
        QRect rect;
        QRect header;
        QVector<RowGeometry> rows;
    };
    struct Layout
    {
        int width = -1;
        int height = 0;
        QVector<Card> cards;
    };

    [[nodiscard]] bool isShown(const ProtocolLogEntry &entry) const;
    [[nodiscard]] Layout layoutFor(int width) const;
    [[nodiscard]] const Layout &currentLayout() const;
    [[nodiscard]] QFont headerFont() const;
    [[nodiscard]] QFont valueFont() const;
    void paintCard(QPainter &painter, const Card &card) const;
    void contentChanged();

    QList<ProtocolLogEntry> m_entries;
    bool m_loopbackVisible = false;
    bool m_junkVisible = false;
    mutable Layout m_layout;
};
