#pragma once

#include "ui/models/modelscontext.h"
#include "ui/models/presetsbrowser.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;

// "Download Preset...": the presets library, each with its picture and notes; "Use Preset"
// copies one into the models library. With a device connected the list shows the presets made
// for it, or all of them grouped by whether they are. Accepted once the copy is in the
// models library; the models page then selects createdFileName().
class PresetsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PresetsDialog(ModelsContext context, QWidget *parent = nullptr);

    // The new model's file in the models library; empty until "Use Preset" succeeded.
    [[nodiscard]] const QString &createdFileName() const { return m_createdFileName; }

private:
    void buildForm();
    void connectForm();
    // Refills the list for the device connected now, keeping the chosen preset when it is
    // still listed.
    void fillList();
    void showPreview();
    [[nodiscard]] QString selectedFileName() const;
    void onUsePreset();

    QListWidget *m_list = nullptr;
    QCheckBox *m_showAllBox = nullptr;
    QLabel *m_pictureLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_productLabel = nullptr;
    QLabel *m_notesLabel = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QPushButton *m_useButton = nullptr;

    ModelsContext m_context;
    QList<presetsbrowser::PresetRow> m_rows; // as listed
    // The user's choice, kept while no device is connected.
    bool m_showAll = false;
    // What the notes show when the list is empty.
    QString m_emptyText;
    QString m_createdFileName;
};
