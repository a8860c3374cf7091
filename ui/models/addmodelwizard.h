#pragma once

#include "ui/models/modelscontext.h"
#include "ui/models/wizardsession.h"

#include <QList>
#include <QSize>
#include <QWizard>

#include <memory>

class EditModelWidget;
class Model;
class WizardFirstPage;
class WizardSetupPage;

// "Add New...": a new model, its first page (name, picture, device and notes) and the set-up
// pages of its model class. While the wizard is open its model is the main window's current
// model; Finish adds it to the library, Cancel gives the main window its former model back
// (WizardSession holds these decisions).
class AddModelWizard : public QWizard
{
    Q_OBJECT

public:
    static constexpr QSize kInitialSize{610, 389};

    explicit AddModelWizard(ModelsContext context, QWidget *parent = nullptr);
    ~AddModelWizard() override;

    [[nodiscard]] EditModelWidget *editWidget() const;
    [[nodiscard]] const WizardSession &session() const { return m_session; }
    // The pages after the first, in order.
    [[nodiscard]] QList<WizardSetupPage *> setupPages() const;

public slots:
    // Shows the page's settings as the model has them now: an earlier page may have changed
    // them (an aircraft type brings its surfaces).
    void onPageChanged(int id);
    // Replaces the set-up pages by those of `model`'s class.
    void onModelChanged(const std::shared_ptr<Model> &model);

private:
    void finishWizard();

    WizardFirstPage *m_firstPage = nullptr;
    WizardSession m_session;
    int m_firstPageId = -1;
};
