// svgrender: renders one SVG picture to a PNG or JPEG file of a given pixel size.
//
// Usage: svgrender INPUT.svg OUTPUT.png|OUTPUT.jpg WIDTH HEIGHT
//
// A build-time host tool: the program's pictures are authored as SVG in resources/images/ and
// stored at twice their shown size, so a picture shown at 16x16 is rendered at 32x32. A
// requested size whose aspect ratio differs from the SVG's view box is refused rather than
// drawn stretched. Formats without an alpha channel (JPEG) get a white ground under the
// picture; the SVGs meant for them paint their own ground anyway.
//
// Pictures draw their letters as paths: text would make the rendering depend on the fonts of
// the build machine, so an SVG with a text element is refused. That also lets the tool run
// without a GUI application (QtGui's fonts need one; images and painters do not).
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kMaxSide = 4096;
constexpr double kAspectTolerance = 0.01;
constexpr int kJpegQuality = 92;

int fail(const QString &message)
{
    std::fprintf(stderr, "svgrender: %s\n", qPrintable(message));
    return 1;
}

bool parseSide(const char *text, int *side)
{
    bool ok = false;
    *side = QString::fromLocal8Bit(text).toInt(&ok);
    return ok && *side > 0 && *side <= kMaxSide;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    if (argc != 5)
        return fail(
            QStringLiteral("usage: svgrender INPUT.svg OUTPUT.png|OUTPUT.jpg WIDTH HEIGHT"));
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    int width = 0;
    int height = 0;
    if (!parseSide(argv[3], &width) || !parseSide(argv[4], &height))
        return fail(
            QStringLiteral("width and height must be whole numbers from 1 to %1").arg(kMaxSide));

    const QByteArray format = QFileInfo(output).suffix().toLower().toLatin1();
    const bool opaque = format == "jpg" || format == "jpeg";
    if (format != "png" && !opaque)
        return fail(QStringLiteral("%1: the output must end in .png or .jpg").arg(output));

    QFile source(input);
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(input, source.errorString()));
    const QByteArray svg = source.readAll();
    static const QRegularExpression textElement(QStringLiteral("<(text|tspan|textArea)[\\s>/]"));
    if (QString::fromUtf8(svg).contains(textElement))
        return fail(QStringLiteral("%1: draws text; draw the letters as paths instead").arg(input));

    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return fail(QStringLiteral("%1: not a valid SVG picture").arg(input));
    const QRectF viewBox = renderer.viewBoxF();
    if (viewBox.isEmpty())
        return fail(QStringLiteral("%1: the picture has no view box").arg(input));
    const double wanted = double(width) / height;
    const double drawn = viewBox.width() / viewBox.height();
    if (std::abs(wanted / drawn - 1.0) > kAspectTolerance)
        return fail(
            QStringLiteral("%1: %2x%3 does not have the aspect ratio of the view box (%4x%5)")
                .arg(input)
                .arg(width)
                .arg(height)
                .arg(viewBox.width())
                .arg(viewBox.height()));

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(opaque ? Qt::white : Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, width, height));
    }
    if (opaque)
        image = image.convertToFormat(QImage::Format_RGB32);

    // Written through a save file so that a failed run never leaves a half picture that the
    // build would take as up to date.
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1: %2").arg(output, file.errorString()));
    QImageWriter writer(&file, format);
    if (opaque)
        writer.setQuality(kJpegQuality);
    if (!writer.write(image))
        return fail(QStringLiteral("%1: %2").arg(output, writer.errorString()));
    if (!file.commit())
        return fail(QStringLiteral("%1: %2").arg(output, file.errorString()));
    return 0;
}
