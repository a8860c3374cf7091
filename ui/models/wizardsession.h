#pragma once

#include "models/modelclassinfo.h"
#include "models/pageinfo.h"
#include "ui/models/modelscontext.h"
#include "ui/navigation/pageregistry.h"

#include <QString>

#include <memory>
#include <optional>

class Model;
class QWidget;

// The decisions of the new-model wizard, without its widgets: which device is offered first,
// which set-up pages a chosen device brings, and what finishing or cancelling does to the
// library and to the main window's current model. While the wizard is open its model is the
// main window's current model, so that the set-up pages act on the connected device as the
// editor's pages would.
class WizardSession
{
public:
    // Remembers the main window's current model, to give it back when the wizard is cancelled.
    explicit WizardSession(ModelsContext context);

    [[nodiscard]] const ModelsContext &context() const { return m_context; }

    // The connected device's variant when a model class lists it; nothing without a device.
    [[nodiscard]] std::optional<ModelDevice> preselectedDevice() const;
    // What the first page proposes as the name of the new model.
    [[nodiscard]] QString proposedName() const;

    // `model` (made for the device chosen on the first page) becomes the model being created
    // and the main window's current model. Returns the set-up pages it asks for. Without a
    // model nothing changes in the main window and there are no set-up pages.
    [[nodiscard]] PageInfoList modelChosen(std::shared_ptr<Model> model);
    [[nodiscard]] const std::shared_ptr<Model> &model() const { return m_model; }
    // What the set-up pages of the model work with; dialogs they open go on `window`.
    [[nodiscard]] PageContext pageContext(QWidget *window) const;
    // The registry the set-up pages come from (an empty one when the context has none).
    [[nodiscard]] const PageRegistry &pages() const;

    // Adds the model to the library under its own name. When the model is in step with the
    // connected device it is recorded as that device's model (serial number, last synced).
    // Then the main window handles the device again, so that its navigation and current model
    // follow the library. Returns the model's file name; empty, after the error message, when
    // the library could not save it.
    QString finish();
    // Leaves the library as it was and gives the main window its former current model back.
    void cancel();
    // finish or cancel ran; a second call of either does nothing.
    [[nodiscard]] bool isEnded() const { return m_ended; }

private:
    [[nodiscard]] bool isAttachedToDevice(const std::shared_ptr<Model> &model) const;
    // The former current model still believes it is what the device holds; after the wizard's
    // model was written there it must be written again when it next becomes current.
    void detachPreviousModel();

    ModelsContext m_context;
    std::shared_ptr<Model> m_previousModel;
    std::shared_ptr<Model> m_model;
    bool m_madeCurrent = false;   // a model of the wizard became the current model
    bool m_deviceWritten = false; // such a model was attached to (and written to) the device
    bool m_ended = false;
};
