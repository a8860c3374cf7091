// ModelEditDialog: "Edit..." on the models page.
#include "ui/models/modeleditdialog.h"

#include "models/model.h"
#include "ui/models/editmodelwidget.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Room for a few lines of notes without wrapping every other word.
constexpr QSize kInitialSize{560, 340};

} // namespace

ModelEditDialog::ModelEditDialog(std::shared_ptr<Model> model, QWidget *parent)
    : QDialog(parent)
    , m_model(std::move(model))
    , m_editWidget(new EditModelWidget(m_model, this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("Edit Model"));
    setObjectName(QStringLiteral("modelEditDialog"));
    m_buttons->setObjectName(QStringLiteral("buttonBox"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_editWidget, 1);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &ModelEditDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ModelEditDialog::reject);
    connect(m_editWidget, &EditModelWidget::editsChanged, this, &ModelEditDialog::updateOkButton);
    updateOkButton();
    resize(sizeHint().expandedTo(kInitialSize));
}

ModelEditDialog::~ModelEditDialog() = default;

void ModelEditDialog::accept()
{
    if (!m_buttons->button(QDialogButtonBox::Ok)->isEnabled())
        return;
    if (m_model)
        m_editWidget->applyTo(m_model->info());
    QDialog::accept();
}

void ModelEditDialog::updateOkButton()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_model && m_editWidget->hasName());
}
