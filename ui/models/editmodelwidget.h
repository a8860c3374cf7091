#pragma once

#include "models/modelclassinfo.h"
#include "ui/models/wizarddevices.h"
#include "ui/models/wizardmodeledits.h"

#include <QWidget>

#include <memory>

class Model;
class QComboBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QPushButton;

// A model's name, picture, device and notes. In its new-model form it offers every device of
// every model class and makes a model of the chosen device's class; for an existing model the
// device is fixed by the model's class and only shown. Edits stay in the widget until
// applyTo, so that a cancelled dialog leaves the model untouched.
class EditModelWidget : public QWidget
{
    Q_OBJECT

public:
    // The new-model form: no device chosen yet, the built-in picture.
    explicit EditModelWidget(QWidget *parent = nullptr);
    // The form of an existing model, filled from its info.
    explicit EditModelWidget(std::shared_ptr<Model> model, QWidget *parent = nullptr);
    ~EditModelWidget() override;

    [[nodiscard]] bool isNewModelForm() const { return m_newModelForm; }
    // The model being edited: the existing one, or the one made for the chosen device (null
    // while none is chosen).
    [[nodiscard]] const std::shared_ptr<Model> &model() const { return m_model; }

    // New-model form: chooses the device's entry, as the user would; false when it has none.
    bool selectDevice(const ModelDevice &device);
    [[nodiscard]] const QList<DeviceChoice> &deviceChoices() const { return m_choices; }

    [[nodiscard]] ModelInfoEdits edits() const;
    // A model is found by its name in the library's lists: one of only spaces is none.
    [[nodiscard]] bool hasName() const;
    void setModelName(const QString &name);
    // Takes the picture from a file; a file that cannot be used is refused with a message and
    // changes nothing. Returns whether the picture was taken.
    bool setPictureFromFile(const QString &path);
    // Takes a picture already in memory (one dropped as image data), fitted to the stored size.
    void setPicture(const QImage &image);
    [[nodiscard]] const QImage &picture() const { return m_picture; }

    // Writes the edits to `info` through its setters; only changed fields are set.
    bool applyTo(ModelInfo &info) const;

signals:
    // A new model of the chosen device's class, made whenever the device choice changes.
    void modelChanged(const std::shared_ptr<Model> &model);
    // The name or the device choice changed, so whether the form is complete may have too.
    void editsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    void connectForm();
    void deviceChosen(int index);
    void chooseImage();
    void showPicture();
    [[nodiscard]] bool acceptsDrop(const QMimeData *mime) const;
    void drop(const QMimeData *mime);

    bool m_newModelForm;
    std::shared_ptr<Model> m_model;
    QList<DeviceChoice> m_choices;
    QImage m_picture;

    QLineEdit *m_nameTextBox = nullptr;
    QLabel *m_imageLabel = nullptr;
    QPushButton *m_chooseImageButton = nullptr;
    QComboBox *m_deviceComboBox = nullptr; // new-model form
    QLabel *m_deviceLabel = nullptr;       // existing model
    QPlainTextEdit *m_notesTextBox = nullptr;
};
