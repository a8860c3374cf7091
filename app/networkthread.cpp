#include "app/networkthread.h"

#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QThread>

namespace {

NetworkService &processNetworkService()
{
    // Deliberately leaked: the thread runs until the process ends, and destroying a running
    // QThread during static destruction would abort.
    static NetworkService *service = new NetworkService;
    return *service;
}

void applySystemProxy(QNetworkAccessManager *manager)
{
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(
        QNetworkProxyQuery(NetworkService::kProxyLookupUrl, QNetworkProxyQuery::UrlRequest));
    if (!proxies.isEmpty())
        manager->setProxy(proxies.first());
}

} // namespace

NetworkService::NetworkService()
    : m_thread(new QThread)
    , m_manager(new QNetworkAccessManager)
{
    m_thread->setObjectName(kThreadName);
    m_manager->moveToThread(m_thread);
    m_thread->start(QThread::InheritPriority);
}

NetworkService::~NetworkService()
{
    QMetaObject::invokeMethod(
        m_manager, [manager = m_manager] { delete manager; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void NetworkService::invoke(std::function<void(QNetworkAccessManager *)> work)
{
    QMetaObject::invokeMethod(
        m_manager,
        [manager = m_manager, work = std::move(work)] {
            applySystemProxy(manager);
            work(manager);
        },
        Qt::QueuedConnection);
}

QThread *networkThread()
{
    return processNetworkService().thread();
}

void invokeInNetworkThread(std::function<void(QNetworkAccessManager *)> work)
{
    processNetworkService().invoke(std::move(work));
}
