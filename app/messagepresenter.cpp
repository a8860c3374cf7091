#include "app/messagepresenter.h"

#include "app/log.h"

#include <atomic>

namespace {

class LogOnlyPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity, const QString &title, const QString &text) override
    {
        log(QStringLiteral("Message"), title + QStringLiteral(": ") + text);
    }
};

LogOnlyPresenter g_logOnlyPresenter;
std::atomic<MessagePresenter *> g_presenter{&g_logOnlyPresenter};

} // namespace

MessagePresenter &messagePresenter()
{
    return *g_presenter.load();
}

MessagePresenter *installMessagePresenter(MessagePresenter *presenter)
{
    MessagePresenter *previous = g_presenter.exchange(presenter ? presenter : &g_logOnlyPresenter);
    return previous == &g_logOnlyPresenter ? nullptr : previous;
}

void showErrorMessage(const QString &text)
{
    messagePresenter().showMessage(MessageSeverity::Critical, QStringLiteral("Error"), text);
}
