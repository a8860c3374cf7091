// An edit made on one page and undone through the model's history shows on every page over
// that model.
#include "models/edithistory.h"
#include "pagesrig.h"
#include "testregistry.h"
#include "ui/pages/mixing/dashboardpage.h"
#include "ui/pages/mixing/mixingpage.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace pagestest;

namespace {

QString mixesOnDashboard(const QWidget &page)
{
    const auto *label = page.findChild<QLabel *>(QStringLiteral("mixesInUse"));
    return label ? label->text() : QStringLiteral("<no mixes label>");
}

QStringList mixesOnMixingPage(const QWidget &page)
{
    const auto *list = page.findChild<QListWidget *>(QStringLiteral("mixList"));
    QStringList texts;
    for (int row = 0; list && row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

} // namespace

class UndoAcrossPagesTest : public QObject
{
    Q_OBJECT

private slots:
    void addMixUndoneAndRedoneShowsOnBothPages()
    {
        RecordingPresenter presenter;
        const auto model = newReceiver();
        EditHistory history;
        history.setModel(model);
        MixingPage mixing(model, nullptr);
        DashboardPage dashboard(model, nullptr, nullptr, nullptr);
        QCOMPARE(mixesOnDashboard(dashboard), QStringLiteral("None"));
        QVERIFY(mixesOnMixingPage(mixing).isEmpty());

        auto *add = mixing.findChild<QPushButton *>(QStringLiteral("addMixButton"));
        QVERIFY(add);
        add->click();
        const QStringList added{QStringLiteral("Mix 1")};
        QCOMPARE(mixesOnMixingPage(mixing), added);
        QCOMPARE(mixesOnDashboard(dashboard), QStringLiteral("Mix 1"));

        history.undo();
        QCOMPARE(model->usedMixes(), QList<int>{});
        QCOMPARE(mixesOnDashboard(dashboard), QStringLiteral("None"));
        QVERIFY(mixesOnMixingPage(mixing).isEmpty());
        QVERIFY(history.canRedo());

        history.redo();
        QCOMPARE(model->usedMixes().size(), 1);
        QCOMPARE(mixesOnMixingPage(mixing), added);
        QCOMPARE(mixesOnDashboard(dashboard), QStringLiteral("Mix 1"));
        QVERIFY(presenter.messages.isEmpty());
    }
};

ZX_REGISTER_TEST(UndoAcrossPagesTest);
#include "test_undoacrosspages.moc"
