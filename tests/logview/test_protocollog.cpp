#include "app/ui/logview/protocollogdialog.h"
#include "app/ui/logview/protocollogwidget.h"
#include "testregistry.h"

#include <QCheckBox>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

Q_DECLARE_METATYPE(PacketDirection)
Q_DECLARE_METATYPE(PacketKind)

namespace {

ProtocolLogEntry packet(PacketDirection direction, PacketKind kind, const QString &title = "T",
                        QList<ProtocolLogRow> rows = {{"Address", "0x0010"}})
{
    return {direction, kind, title, std::move(rows)};
}

// A widget of a known width with every card shown, laid out as a resizable scroll area
// would: as tall as its cards need.
void showAll(ProtocolLogWidget &widget, int width)
{
    widget.setLoopbackVisible(true);
    widget.setJunkVisible(true);
    widget.resize(width, widget.heightForWidth(width));
}

QColor headerPixel(const QImage &image, const QRect &card)
{
    // Between the header's top edge and its text, clear of the rounded corners.
    return image.pixelColor(card.center().x(), card.top() + 2);
}

} // namespace

class ProtocolLogTest : public QObject
{
    Q_OBJECT

private slots:
    void opensOnTheSamplePackets()
    {
        ProtocolLogDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Protocol Log"));
        const QList<ProtocolLogEntry> &entries = dialog.logWidget()->entries();
        QCOMPARE(entries.size(), 3);

        const ProtocolLogEntry &write = entries.at(0);
        QCOMPARE(write.direction, PacketDirection::Sent);
        QCOMPARE(write.kind, PacketKind::Ordinary);
        QCOMPARE(write.title, QString("Write Seq"));
        QCOMPARE(write.rows.size(), 2);
        QCOMPARE(write.rows.at(0).label, QString("Address"));
        QCOMPARE(write.rows.at(0).value, QString("0x01C4"));
        QCOMPARE(write.rows.at(1).label, QString("Data"));
        QCOMPARE(write.rows.at(1).value, QString("E410 A433 C505 B9FD 5CC1 130B 5644 A689 32C3 "
                                                 "E6B2 E2BF B7F8 8CE6 7A7D C6F7 78A6"));

        QCOMPARE(entries.at(1).direction, PacketDirection::Received);
        QCOMPARE(entries.at(1).kind, PacketKind::Loopback);
        QCOMPARE(entries.at(1).title, QString("Write Seq"));
        QCOMPARE(entries.at(2).direction, PacketDirection::Sent);
        QCOMPARE(entries.at(2).kind, PacketKind::Loopback);
        QCOMPARE(entries.at(2).title, QString("Write Seq Ack"));
        for (const ProtocolLogEntry &entry : entries)
            QVERIFY(!entry.rows.isEmpty());

        // Loopback and junk start hidden, and the check boxes say so.
        auto *loopback = dialog.findChild<QCheckBox *>("loopbackCheckBox");
        auto *junk = dialog.findChild<QCheckBox *>("junkCheckBox");
        QVERIFY(loopback && junk);
        QCOMPARE(loopback->text(), QString("Loopback Visible"));
        QCOMPARE(junk->text(), QString("Junk Visible"));
        QVERIFY(!loopback->isChecked() && !dialog.logWidget()->isLoopbackVisible());
        QVERIFY(!junk->isChecked() && !dialog.logWidget()->isJunkVisible());
        QCOMPARE(dialog.logWidget()->visibleEntryCount(), 1);
    }

    void checkBoxesChooseTheCardsDrawn_data()
    {
        QTest::addColumn<bool>("loopback");
        QTest::addColumn<bool>("junk");
        QTest::addColumn<int>("visible");
        QTest::newRow("neither") << false << false << 2;
        QTest::newRow("loopback") << true << false << 3;
        QTest::newRow("junk") << false << true << 3;
        QTest::newRow("both") << true << true << 4;
    }
    void checkBoxesChooseTheCardsDrawn()
    {
        QFETCH(bool, loopback);
        QFETCH(bool, junk);
        QFETCH(int, visible);
        ProtocolLogDialog dialog;
        ProtocolLogWidget *widget = dialog.logWidget();
        widget->clearEntries();
        widget->addEntry(packet(PacketDirection::Sent, PacketKind::Ordinary));
        widget->addEntry(packet(PacketDirection::Received, PacketKind::Loopback));
        widget->addEntry(packet(PacketDirection::Received, PacketKind::Ordinary));
        widget->addEntry(packet(PacketDirection::Sent, PacketKind::Junk));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        if (loopback)
            QTest::mouseClick(dialog.findChild<QCheckBox *>("loopbackCheckBox"), Qt::LeftButton);
        if (junk)
            QTest::mouseClick(dialog.findChild<QCheckBox *>("junkCheckBox"), Qt::LeftButton);
        QCOMPARE(widget->isLoopbackVisible(), loopback);
        QCOMPARE(widget->isJunkVisible(), junk);
        QCOMPARE(widget->visibleEntryCount(), visible);
        QCOMPARE(widget->cardRects().size(), visible);

        // Grey headers belong to loopback and junk cards only: none is drawn while both are
        // hidden, whatever their place in the list.
        const QImage image = widget->grab().toImage();
        int greyHeaders = 0;
        for (const QRect &card : widget->cardRects())
            greyHeaders += headerPixel(image, card) == QColor(80, 80, 80);
        QCOMPARE(greyHeaders, visible - 2);
        if (visible == 2) {
            const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
            const int below = widget->cardRects().last().bottom() + 2;
            for (int y = below; y < image.height(); y += 3)
                QCOMPARE(image.pixelColor(image.width() / 2, y), background);
        }
    }

    // Sent cards hang on the left, received on the right; the header says what the packet is.
    void cardsShowDirectionAndKind_data()
    {
        QTest::addColumn<PacketDirection>("direction");
        QTest::addColumn<PacketKind>("kind");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QColor>("header");
        const QColor grey(80, 80, 80);
        QTest::newRow("sent") << PacketDirection::Sent << PacketKind::Ordinary << "TX"
                              << QColor(8, 99, 186);
        QTest::newRow("received") << PacketDirection::Received << PacketKind::Ordinary << "RX"
                                  << QColor(194, 30, 20);
        QTest::newRow("sent loopback")
            << PacketDirection::Sent << PacketKind::Loopback << "Loopback" << grey;
        QTest::newRow("received loopback")
            << PacketDirection::Received << PacketKind::Loopback << "Loopback" << grey;
        QTest::newRow("sent junk") << PacketDirection::Sent << PacketKind::Junk << "Junk" << grey;
        QTest::newRow("received junk")
            << PacketDirection::Received << PacketKind::Junk << "Junk" << grey;
    }
    void cardsShowDirectionAndKind()
    {
        QFETCH(PacketDirection, direction);
        QFETCH(PacketKind, kind);
        QFETCH(QString, tag);
        QFETCH(QColor, header);
        const ProtocolLogEntry entry = packet(direction, kind);
        QCOMPARE(protocolLogTag(entry), tag);

        ProtocolLogWidget widget;
        widget.addEntry(entry);
        const int width = 600;
        showAll(widget, width);
        const QRect card = widget.cardRects().value(0);
        QCOMPARE(card.width(), width * 2 / 3 - 10);
        if (direction == PacketDirection::Sent)
            QCOMPARE(card.left(), 10);
        else
            QCOMPARE(card.left() + card.width(), width - 10);
        QCOMPARE(headerPixel(widget.grab().toImage(), card), header);
    }

    // A long value wraps inside its card, between words where there are spaces and anywhere
    // where there are none, and the card grows instead.
    void longValuesWrapInsideTheCard_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("words") << QString("E410 A433 C505 B9FD ").repeated(12);
        QTest::newRow("one long word") << QString("E410A433C505B9FD").repeated(12);
    }
    void longValuesWrapInsideTheCard()
    {
        QFETCH(QString, value);
        ProtocolLogWidget widget;
        widget.addEntry(packet(PacketDirection::Sent, PacketKind::Ordinary, "Write Seq",
                               {{"Address", "0x01C4"}, {"Data", value}}));
        showAll(widget, 900);
        const int wideHeight = widget.cardRects().value(0).height();
        showAll(widget, 450);
        const QRect card = widget.cardRects().value(0);
        QVERIFY(card.height() > wideHeight);
        QVERIFY(widget.heightForWidth(450) > card.bottom());

        // Right of a sent card is empty background: no text ran out of it.
        const QImage image = widget.grab().toImage();
        const QColor background = image.pixelColor(image.width() - 1, 0);
        for (int y = card.top(); y <= card.bottom(); ++y) {
            for (int x = card.right() + 2; x < image.width(); x += 2)
                QCOMPARE(image.pixelColor(x, y), background);
        }
    }

    // The widget grows with its shown cards, so the dialog's scroll area can scroll to them all.
    void scrollsThroughTheShownCards()
    {
        ProtocolLogDialog dialog;
        dialog.resize(600, 400);
        ProtocolLogWidget *widget = dialog.logWidget();
        for (int i = 0; i < 20; ++i)
            widget->addEntry(packet(i % 2 ? PacketDirection::Received : PacketDirection::Sent,
                                    PacketKind::Ordinary));
        for (int i = 0; i < 20; ++i)
            widget->addEntry(packet(PacketDirection::Received, PacketKind::Loopback));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        auto *scrollArea = dialog.findChild<QScrollArea *>();
        QTRY_COMPARE(widget->height(), widget->heightForWidth(widget->width()));
        QVERIFY(widget->height() > scrollArea->viewport()->height());
        QVERIFY(widget->cardRects().last().bottom() < widget->height());
        const int withoutLoopback = widget->height();

        QTest::mouseClick(dialog.findChild<QCheckBox *>("loopbackCheckBox"), Qt::LeftButton);
        QTRY_VERIFY(widget->height() > withoutLoopback);
        QCOMPARE(widget->height(), widget->heightForWidth(widget->width()));
        QScrollBar *scroll = scrollArea->verticalScrollBar();
        scroll->setValue(scroll->maximum());
        QVERIFY(widget->cardRects().last().bottom() <=
                scroll->value() + scrollArea->viewport()->height());

        widget->clearEntries();
        QTRY_COMPARE(scroll->maximum(), 0);
    }
};

ZX_REGISTER_TEST(ProtocolLogTest);

#include "test_protocollog.moc"
