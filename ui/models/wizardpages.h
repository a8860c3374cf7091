#pragma once

#include "models/pageinfo.h"

#include <QWizardPage>

#include <memory>

class EditModelWidget;
class Model;
class Page;
class QLabel;
class SettingsRowsView;

// The wizard's first page: name, picture, device and notes of the new model, and the
// settings of the chosen device's model class as rows the user can change (shown only for a
// class that has them).
class WizardFirstPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit WizardFirstPage(QWidget *parent = nullptr);

    [[nodiscard]] EditModelWidget *editWidget() const { return m_editWidget; }
    [[nodiscard]] SettingsRowsView *settingsView() const { return m_settingsView; }
    // A model needs a device to be made for, and a name to be found by in the library.
    [[nodiscard]] bool isComplete() const override;

private:
    void showSettingsOf(const std::shared_ptr<Model> &model);

    EditModelWidget *m_editWidget = nullptr;
    QLabel *m_settingsLabel = nullptr;
    SettingsRowsView *m_settingsView = nullptr;
};

// One set-up page of the model class: the editor's page for the record, without its
// background, under the record's title.
class WizardSetupPage : public QWizardPage
{
    Q_OBJECT

public:
    // Takes ownership of `page`.
    WizardSetupPage(const PageInfo &info, Page *page, QWidget *parent = nullptr);

    [[nodiscard]] Page *page() const { return m_page; }
    [[nodiscard]] const PageInfo &info() const { return m_info; }

private:
    PageInfo m_info;
    Page *m_page = nullptr;
};
