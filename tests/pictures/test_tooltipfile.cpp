#include "app/tooltipparser.h"
#include "testregistry.h"

#include <QFile>
#include <QTest>

// The tooltip file the build places beside the program parses, and holds the texts the
// program asks for.
class TooltipFileTest : public QObject
{
    Q_OBJECT

private slots:
    void shippedFileParses()
    {
        QFile file(QStringLiteral(ZX_TOOLTIP_FILE));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const auto table = parseTooltips(file);
        QVERIFY2(table.has_value(), qPrintable(table ? QString()
                                                     : QStringLiteral("line %1: %2")
                                                           .arg(table.error().line)
                                                           .arg(table.error().message)));
        QVERIFY(!table->isEmpty());
        for (auto entry = table->cbegin(); entry != table->cend(); ++entry) {
            QVERIFY2(!entry.key().isEmpty(), "an entry without a key");
            QVERIFY2(!entry.value().isEmpty(), qPrintable(entry.key()));
        }
    }

    void powerTooltipExplainsTheCablePower()
    {
        const TooltipTable table = loadTooltipTable(QStringLiteral(ZX_TOOLTIP_FILE));
        const QString text = table.value(QStringLiteral("power-tooltip"));
        QVERIFY(text.contains(QStringLiteral("battery")));
        QVERIFY(text.contains(QStringLiteral("Shift")));
        // Several lines with an empty one between paragraphs: the format's continuation and
        // blank-line rules are in use.
        QVERIFY(text.contains(QStringLiteral("\n\n")));
        QVERIFY(!text.contains(QStringLiteral("\n\n\n")));
    }

    // Entries other screens may use.
    void helpfulEntriesArePresent_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("connect") << "connect-tooltip";
        QTest::newRow("model sync status") << "model-sync-tooltip";
        QTest::newRow("use device") << "use-device-tooltip";
        QTest::newRow("use computer") << "use-computer-tooltip";
    }
    void helpfulEntriesArePresent()
    {
        QFETCH(QString, key);
        QVERIFY(!loadTooltipTable(QStringLiteral(ZX_TOOLTIP_FILE)).value(key).isEmpty());
    }
};

ZX_REGISTER_TEST(TooltipFileTest);
#include "test_tooltipfile.moc"
