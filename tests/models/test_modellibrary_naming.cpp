#include "models/modelnaming.h"
#include "testregistry.h"

#include <QtTest>

namespace {

QSet<QString> setOf(const QStringList &names)
{
    return QSet<QString>(names.cbegin(), names.cend());
}

QStringList numbered(const QString &prefix, int first, int last)
{
    QStringList names;
    for (int i = first; i <= last; ++i)
        names.append(prefix + QString::number(i));
    return names;
}

} // namespace

class ModelNamingTest : public QObject
{
    Q_OBJECT

private slots:
    // The first free "Model %1"; plain "Model" once all 9999 are taken.
    void newModelName_data()
    {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty library") << QStringList{} << "Model 1";
        QTest::newRow("gap") << QStringList{"Model 1", "Model 3"} << "Model 2";
        QTest::newRow("all taken") << numbered("Model ", 1, 9999) << "Model";
    }
    void newModelName()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        QCOMPARE(modelnaming::newModelName(setOf(taken)), expected);
    }

    void uniqueName_data()
    {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList{"Other"} << "Trainer"
                              << "Trainer";
        QTest::newRow("taken twice") << QStringList{"Trainer", "Trainer 2"} << "Trainer"
                                     << "Trainer 3";
        QTest::newRow("gap") << QStringList{"Trainer", "Trainer 3"} << "Trainer"
                             << "Trainer 2";
        QTest::newRow("none free")
            << (QStringList{"Trainer"} + numbered("Trainer ", 2, 9999)) << "Trainer"
            << "Trainer";
    }
    void uniqueName()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(modelnaming::uniqueName(setOf(taken), name), expected);
    }

    // An earlier copy suffix is replaced by the current time; a taken name counts up from 2.
    void copyName_data()
    {
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString copy = QStringLiteral("Glider - 2024-05-06 07:08:09 Copy");
        QTest::newRow("plain") << QStringList{} << "Glider" << copy;
        QTest::newRow("copy of a copy")
            << QStringList{} << "Glider - 2020-01-02 03:04:05 Copy" << copy;
        QTest::newRow("numbered copy of a copy")
            << QStringList{} << "Glider - 2020-1-2 3:4:5 Copy 7" << copy;
        QTest::newRow("taken") << QStringList{copy} << "Glider - 2020-01-02 03:04:05 Copy"
                               << copy + " 2";
        QTest::newRow("placeholders in the name")
            << QStringList{"%1 %3 - 2024-05-06 07:08:09 Copy"} << "%1 %3"
            << "%1 %3 - 2024-05-06 07:08:09 Copy 2";
        QTest::newRow("none free") << (QStringList{copy} + numbered(copy + " ", 2, 999)) << "Glider"
                                   << "Glider";
    }
    void copyName()
    {
        QFETCH(QStringList, taken);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QDateTime now(QDate(2024, 5, 6), QTime(7, 8, 9));
        QCOMPARE(modelnaming::copyName(setOf(taken), name, now), expected);
    }
};

ZX_REGISTER_TEST(ModelNamingTest);
#include "test_modellibrary_naming.moc"
