#pragma once

#include "ui/models/modelscontext.h"

#include <QDialog>
#include <QString>

class ModelListModel;
class ModelListView;
class QPushButton;

// "Trash...": the models deleted from the library, which can be restored to it or deleted for
// good, one by one or all at once.
class TrashDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString kDeleteTitle;
    static const QString kDeleteQuestion;

    explicit TrashDialog(ModelsContext context, QWidget *parent = nullptr);

signals:
    // A model went back to the models library.
    void modelRestored(const QString &fileName);

private:
    void buildForm();
    void reloadList(int preferredRow);
    void updateButtons();
    [[nodiscard]] QString selectedFileName() const;

    void restoreRow();
    void deleteRow();
    void emptyTrash();

    ModelsContext m_context;
    ModelListModel *m_model = nullptr;
    ModelListView *m_list = nullptr;
    QPushButton *m_restoreButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_emptyButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};
