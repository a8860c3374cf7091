// WizardSession: the new-model wizard's model, its pages and its end.
#include "ui/models/wizardsession.h"

#include "app/lastsyncedmodels.h"
#include "app/messagepresenter.h"
#include "devicestate/devicemanager.h"
#include "models/devicemodel.h"
#include "models/model.h"
#include "models/modellibrary.h"

namespace {

const QString kSaveFailedText = QStringLiteral("There was a problem saving the model.");

} // namespace

WizardSession::WizardSession(ModelsContext context)
    : m_context(std::move(context))
{
    if (m_context.currentModel)
        m_previousModel = m_context.currentModel();
}

std::optional<ModelDevice> WizardSession::preselectedDevice() const
{
    const DeviceManager *manager = m_context.deviceManager;
    if (!manager)
        return std::nullopt;
    return findModelDevice(manager->productCode(), manager->parameterVersion().value_or(0));
}

QString WizardSession::proposedName() const
{
    return m_context.models ? m_context.models->newModelName() : QStringLiteral("Model");
}

PageInfoList WizardSession::modelChosen(std::shared_ptr<Model> model)
{
    m_model = std::move(model);
    PageInfoList pages;
    if (!m_model || m_ended)
        return pages;
    if (m_context.setCurrentModel) {
        m_context.setCurrentModel(m_model);
        m_madeCurrent = true;
        // The main window writes a model of the connected device to it at once.
        m_deviceWritten = m_deviceWritten || isAttachedToDevice(m_model);
    }
    m_model->createWizardPages(pages);
    return pages;
}

PageContext WizardSession::pageContext(QWidget *window) const
{
    PageContext context;
    context.model = m_model;
    context.deviceManager = m_context.deviceManager;
    context.connection = m_context.deviceManager ? m_context.deviceManager->connection() : nullptr;
    context.window = window;
    return context;
}

const PageRegistry &WizardSession::pages() const
{
    static const PageRegistry placeholders;
    return m_context.pages ? *m_context.pages : placeholders;
}

QString WizardSession::finish()
{
    if (m_ended)
        return {};
    m_ended = true;
    QString fileName;
    if (m_model && m_context.models)
        fileName = m_context.models->addModel(m_model);

    if (fileName.isEmpty()) {
        showErrorMessage(kSaveFailedText);
    } else {
        const QString serialNumber =
            m_context.deviceManager ? m_context.deviceManager->serialNumber() : QString();
        if (isAttachedToDevice(m_model) && !serialNumber.isEmpty()) {
            m_model->info().setSerialNumber(serialNumber);
            if (m_context.lastSyncedModels)
                m_context.lastSyncedModels->setLastSyncedModel(serialNumber, fileName);
        }
        if (m_deviceWritten)
            detachPreviousModel();
        // The main window took the model before it had a file; it keeps the file name (the
        // model to reopen at the next start) only when told again.
        if (m_context.setCurrentModel)
            m_context.setCurrentModel(m_model);
    }
    if (m_context.rerunDeviceStateHandling)
        m_context.rerunDeviceStateHandling();
    return fileName;
}

void WizardSession::cancel()
{
    if (m_ended)
        return;
    m_ended = true;
    m_model.reset();
    if (!m_madeCurrent || !m_context.setCurrentModel)
        return;
    if (m_deviceWritten)
        detachPreviousModel();
    m_context.setCurrentModel(m_previousModel);
}

bool WizardSession::isAttachedToDevice(const std::shared_ptr<Model> &model) const
{
    const auto *deviceModel = dynamic_cast<const DeviceModel *>(model.get());
    const DeviceConnection *connection =
        m_context.deviceManager ? m_context.deviceManager->connection() : nullptr;
    return deviceModel && connection && deviceModel->memory().syncConnection() == connection;
}

void WizardSession::detachPreviousModel()
{
    if (isAttachedToDevice(m_previousModel))
        static_cast<DeviceModel &>(*m_previousModel).memory().setSyncConnection(nullptr);
}
