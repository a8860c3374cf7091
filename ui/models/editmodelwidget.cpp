// EditModelWidget: the form of a model's description, in the wizard and the edit dialog.
#include "ui/models/editmodelwidget.h"

#include "models/model.h"
#include "ui/models/wizardpicture.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The frame around the picture keeps the drop target visible when the picture is light.
constexpr int kPictureFrameMargin = 4;
constexpr int kNotesMinimumLines = 4;
// Product names are long; the box shows this many characters and the list opens wider.
constexpr int kDeviceBoxMinimumCharacters = 22;
constexpr qreal kPlaceholderOpacity = 0.55;

// Qt 5.15 leaves a non-editable box blank while nothing is chosen, ignoring its placeholder
// text; the user would not know that a device is still to be chosen.
class DeviceComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        if (currentIndex() < 0) {
            option.currentText = placeholderText();
            // Qt 5's palettes do not all resolve the placeholder role; a muted text colour does.
            QColor muted = option.palette.color(QPalette::ButtonText);
            muted.setAlphaF(kPlaceholderOpacity);
            option.palette.setColor(QPalette::ButtonText, muted);
        }
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

QString imageFileFilter()
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
    return QObject::tr("Images (%1)").arg(patterns.join(u' ')) + QStringLiteral(";;") +
           QObject::tr("All Files (*)");
}

} // namespace

EditModelWidget::EditModelWidget(QWidget *parent)
    : QWidget(parent)
    , m_newModelForm(true)
    , m_choices(::deviceChoices())
    , m_picture(defaultModelImage())
{
    buildForm();
    showPicture();
    connectForm();
}

EditModelWidget::EditModelWidget(std::shared_ptr<Model> model, QWidget *parent)
    : QWidget(parent)
    , m_newModelForm(false)
    , m_model(std::move(model))
{
    buildForm();
    if (m_model) {
        const ModelInfo &info = m_model->info();
        m_nameTextBox->setText(info.name());
        m_notesTextBox->setPlainText(info.notes());
        m_picture = info.image();
        m_deviceLabel->setText(deviceLabel(info.productCode(), info.parameterVersion()));
    }
    showPicture();
    connectForm();
}

EditModelWidget::~EditModelWidget() = default;

void EditModelWidget::buildForm()
{
    m_nameTextBox = new QLineEdit(this);
    m_nameTextBox->setObjectName(QStringLiteral("nameTextBox"));

    m_imageLabel = new QLabel(this);
    m_imageLabel->setObjectName(QStringLiteral("imageLabel"));
    m_imageLabel->setAccessibleName(tr("Model picture"));
    m_imageLabel->setToolTip(tr("Drop a picture here, or choose one from a file."));
    m_imageLabel->setFrameShape(QFrame::StyledPanel);
    m_imageLabel->setAlignment(Qt::AlignCenter);
    m_imageLabel->setFixedSize(kModelPictureSide + 2 * kPictureFrameMargin,
                               kModelPictureSide + 2 * kPictureFrameMargin);
    m_imageLabel->setAcceptDrops(true);
    m_imageLabel->installEventFilter(this);

    m_chooseImageButton = new QPushButton(tr("Choose Image..."), this);
    m_chooseImageButton->setObjectName(QStringLiteral("chooseImageButton"));
    // Enter in the name field finishes the dialog; it must not open a file dialog instead.
    m_chooseImageButton->setAutoDefault(false);

    QWidget *deviceField = nullptr;
    if (m_newModelForm) {
        m_deviceComboBox = new DeviceComboBox(this);
        m_deviceComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_deviceComboBox->setMinimumContentsLength(kDeviceBoxMinimumCharacters);
        m_deviceComboBox->setObjectName(QStringLiteral("deviceComboBox"));
        for (const DeviceChoice &choice : std::as_const(m_choices))
            m_deviceComboBox->addItem(choice.label);
        m_deviceComboBox->setPlaceholderText(tr("Choose the device"));
        m_deviceComboBox->setCurrentIndex(-1);
        deviceField = m_deviceComboBox;
    } else {
        m_deviceLabel = new QLabel(this);
        m_deviceLabel->setObjectName(QStringLiteral("deviceLabel"));
        m_deviceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        deviceField = m_deviceLabel;
    }

    m_notesTextBox = new QPlainTextEdit(this);
    m_notesTextBox->setObjectName(QStringLiteral("notesTextBox"));
    m_notesTextBox->setTabChangesFocus(true);
    m_notesTextBox->setMinimumHeight(m_notesTextBox->fontMetrics().lineSpacing() *
                                     kNotesMinimumLines);

    auto *pictureColumn = new QVBoxLayout;
    pictureColumn->addWidget(m_imageLabel);
    pictureColumn->addWidget(m_chooseImageButton);
    pictureColumn->addStretch(1);

    auto *fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    fields->addRow(tr("&Name:"), m_nameTextBox);
    fields->addRow(tr("&Device:"), deviceField);
    fields->addRow(tr("N&otes:"), m_notesTextBox);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(pictureColumn);
    layout->addLayout(fields, 1);

    setTabOrder(m_nameTextBox, deviceField);
    setTabOrder(deviceField, m_notesTextBox);
    setTabOrder(m_notesTextBox, m_chooseImageButton);
}

void EditModelWidget::connectForm()
{
    connect(m_nameTextBox, &QLineEdit::textChanged, this, &EditModelWidget::editsChanged);
    connect(m_chooseImageButton, &QPushButton::clicked, this, &EditModelWidget::chooseImage);
    if (m_deviceComboBox)
        connect(m_deviceComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &EditModelWidget::deviceChosen);
}

bool EditModelWidget::selectDevice(const ModelDevice &device)
{
    if (!m_deviceComboBox)
        return false;
    const int index = indexOfDevice(m_choices, device.productCode, device.parameterVersion);
    if (index < 0)
        return false;
    m_deviceComboBox->setCurrentIndex(index);
    return true;
}

void EditModelWidget::deviceChosen(int index)
{
    m_model = index >= 0 && index < m_choices.size() ? createModelFor(m_choices.at(index).device)
                                                     : nullptr;
    if (m_model)
        applyTo(m_model->info());
    emit modelChanged(m_model);
    emit editsChanged();
}

ModelInfoEdits EditModelWidget::edits() const
{
    return {m_nameTextBox->text(), m_picture, m_notesTextBox->toPlainText()};
}

bool EditModelWidget::hasName() const
{
    return !m_nameTextBox->text().trimmed().isEmpty();
}

void EditModelWidget::setModelName(const QString &name)
{
    m_nameTextBox->setText(name);
}

bool EditModelWidget::applyTo(ModelInfo &info) const
{
    return edits().applyTo(info);
}

bool EditModelWidget::setPictureFromFile(const QString &path)
{
    std::expected<QImage, QString> picture = loadModelPicture(path);
    if (!picture) {
        QMessageBox::warning(this, tr("Choose Image"), picture.error());
        return false;
    }
    m_picture = std::move(*picture);
    showPicture();
    return true;
}

void EditModelWidget::setPicture(const QImage &image)
{
    if (image.isNull())
        return;
    m_picture = fitModelPicture(image);
    showPicture();
}

void EditModelWidget::chooseImage()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Choose Image"),
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation), imageFileFilter());
    if (!path.isEmpty())
        setPictureFromFile(path);
}

void EditModelWidget::showPicture()
{
    if (m_picture.isNull()) {
        m_imageLabel->clear();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap =
        QPixmap::fromImage(m_picture.scaled(QSize(kModelPictureSide, kModelPictureSide) * ratio,
                                            Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    m_imageLabel->setPixmap(pixmap);
}

bool EditModelWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_imageLabel)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        if (acceptsDrop(drag->mimeData()))
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *dropEvent = static_cast<QDropEvent *>(event);
        dropEvent->acceptProposedAction();
        drop(dropEvent->mimeData());
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

bool EditModelWidget::acceptsDrop(const QMimeData *mime) const
{
    if (!mime)
        return false;
    if (mime->hasImage())
        return true;
    const QList<QUrl> urls = mime->urls();
    return !urls.isEmpty() && urls.first().isLocalFile();
}

void EditModelWidget::drop(const QMimeData *mime)
{
    if (!acceptsDrop(mime))
        return;
    if (mime->hasImage()) {
        setPicture(qvariant_cast<QImage>(mime->imageData()));
        return;
    }
    // A message box must not open while the drag source still waits for the drop to end.
    const QString path = mime->urls().first().toLocalFile();
    QTimer::singleShot(0, this, [this, path] { setPictureFromFile(path); });
}
