// textshot: lays a text out with the report text drawer, draws it into a PNG
// and prints the measured lines and heights.
//
//   textshot --text "..." --font 宋体 --size 10 --width 300 --align block out.png
//
// Sizes are report units (96 per inch); --scale gives device pixels per unit.
#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

#include "../common/ToolOutput.h"
#include "../common/ToolPng.h"
#include "CodePages.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "rpGraphicUtils.h"

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QString number(Extended v)
{
    return QString::fromStdString(FloatToStr(v));
}

int choice(const QString& value, const QStringList& names, const char* what)
{
    const qsizetype i = names.indexOf(value.toLower());
    if (i < 0) throw Exception(std::string("unknown ") + what + ": " + value.toStdString());
    return static_cast<int>(i);
}

Extended unitsOption(const QCommandLineParser& args, const QString& name, Extended fallback)
{
    if (!args.isSet(name)) return fallback;
    Extended v = 0;
    if (!TryStrToFloat(args.value(name).toStdString(), v))
        throw Exception("--" + name.toStdString() + " takes a number, not " + args.value(name).toStdString());
    return v;
}

int run(QGuiApplication& app)
{
    QCommandLineParser args;
    args.setApplicationDescription("Draws a text with the report text drawer into a PNG and prints its lines.");
    args.addHelpOption();
    args.addPositionalArgument("output", "PNG file to write");
    args.addOptions({
        {{"t", "text"}, "The text; \\n breaks a line.", "text"},
        {{"f", "file"}, "Read the text from a UTF-8 file.", "file"},
        {"font", "Font name (Arial).", "name", "Arial"},
        {"size", "Font size in points (10).", "points", "10"},
        {"bold", "Bold font."},
        {"italic", "Italic font."},
        {"underline", "Underlined font."},
        {"color", "Font colour as #RRGGBB (#000000).", "colour", "#000000"},
        {"width", "Box width in report units (300).", "units"},
        {"height", "Box height in report units (200).", "units"},
        {"align", "left, right, center or block (left).", "align", "left"},
        {"valign", "top, bottom or center (top).", "valign", "top"},
        {"scale", "Device pixels per report unit (2, that is 192 dpi).", "scale"},
        {"rotation", "Rotation in degrees (0).", "degrees", "0"},
        {"tags", "Interpret the tag subset (b, i, u, strike, sub, sup, nowrap, font color)."},
        {"no-wrap", "Do not wrap lines."},
        {"word-break", "Split Russian words by syllables."},
        {"no-wysiwyg", "Use the device's own advances."},
        {"no-clip", "Do not clip to the box."},
        {"rtl", "Right-to-left reading."},
        {"line-spacing", "Line spacing in report units (2).", "units"},
        {"char-spacing", "Character spacing in report units (0).", "units"},
        {"paragraph-gap", "First-line indent in report units (0).", "units"},
    });
    args.process(app);
    if (args.positionalArguments().size() != 1) throw Exception("name one output PNG file (see --help)");

    QString text = args.value("text");
    text.replace("\\n", "\r\n");
    if (args.isSet("file")) {
        QFile file(args.value("file"));
        if (!file.open(QIODevice::ReadOnly))
            throw Exception("cannot read " + args.value("file").toStdString() + ": " + file.errorString().toStdString());
        text = QString::fromUtf8(file.readAll());
    }

    TColor color = clBlack;
    std::u16string quoted(1, u'"');  // appended, not concatenated: GCC 12 warns falsely on that
    quoted.append(args.value("color").toStdU16String()).push_back(u'"');
    if (!ParseTagColor(quoted, color))
        throw Exception("--color takes #RRGGBB");
    TFont font;
    font.SetName(args.value("font").toStdString());
    font.SetSize(static_cast<int>(Round(unitsOption(args, "size", 10))));
    font.SetColor(color);
    TFontStyles style;
    if (args.isSet("bold")) style.Include(fsBold);
    if (args.isSet("italic")) style.Include(fsItalic);
    if (args.isSet("underline")) style.Include(fsUnderline);
    font.SetStyle(style);

    const Extended width = unitsOption(args, "width", 300), height = unitsOption(args, "height", 200);
    const Extended scale = unitsOption(args, "scale", 2);
    const Extended margin = 10;
    const int hAlign = choice(args.value("align"), {"left", "right", "center", "block"}, "alignment");
    const int vAlign = choice(args.value("valign"), {"top", "bottom", "center"}, "vertical alignment");
    const int rotation = static_cast<int>(Round(unitsOption(args, "rotation", 0)));
    if (scale <= 0 || scale > 50 || width <= 0 || height <= 0 || width * scale > 20000 || height * scale > 20000)
        throw Exception("the box or the scale is out of range");

    TrpDrawText drawer;
    auto setUp = [&](const TRect& box, Extended s) {
        drawer.SetFont(font);
        drawer.SetOptions(!args.isSet("no-wrap"), args.isSet("tags"), args.isSet("rtl"), args.isSet("word-break"),
                          !args.isSet("no-clip"), !args.isSet("no-wysiwyg"), rotation);
        drawer.SetDimensions(box, box, s, s);
        drawer.SetGaps(unitsOption(args, "paragraph-gap", 0), unitsOption(args, "char-spacing", 0),
                       unitsOption(args, "line-spacing", 2));
        drawer.SetText(text.toStdU16String());
    };

    // Measure in report units, as a memo does.
    setUp({0, 0, static_cast<int>(Round(width)), static_cast<int>(Round(height))}, 1);
    out() << "font " << args.value("font") << " " << font.Size() << " pt: " << drawer.FontPixelHeight()
          << " px at 600 dpi; wrap width " << drawer.WrapWidth() << " px, first line " << drawer.FirstLineWidth()
          << " px\n";
    int k = 0;
    for (const TrpTextLine& line : drawer.Lines()) {
        int64_t w = 0;
        for (int32_t a : line.Widths) w += a;
        out() << "line " << ++k << " flags " << line.Flags << " width " << w << " px: "
              << QString::fromStdU16String(line.Text) << "\n";
    }
    out() << "LineHeight " << number(drawer.LineHeight()) << "  CalcHeight " << number(drawer.CalcHeight())
          << "  CalcWidth " << number(drawer.CalcWidth()) << "  UnusedSpace " << number(drawer.UnusedSpace())
          << "\n";

    // Draw at the device scale, the box framed in light blue.
    const int imageWidth = static_cast<int>(Round((width + 2 * margin) * scale));
    const int imageHeight = static_cast<int>(Round((height + 2 * margin) * scale));
    QImage image(imageWidth, imageHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(Round(96 * scale / 0.0254L)));
    image.setDotsPerMeterY(image.dotsPerMeterX());
    {
        TQtCanvas canvas(image);
        const TRect box{static_cast<int>(Round(margin * scale)), static_cast<int>(Round(margin * scale)),
                        static_cast<int>(Round((margin + width) * scale)), static_cast<int>(Round((margin + height) * scale))};
        canvas.Pen()->SetColor(RGB(160, 190, 230));
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(box.Left - 1, box.Top - 1, box.Right + 1, box.Bottom + 1);
        setUp(box, scale);
        drawer.DrawText(canvas, hAlign, vAlign);
    }
    const QString output = args.positionalArguments().front();
    std::string error;
    if (!SavePng(image, output.toStdString(), error)) {
        QTextStream(stderr) << "textshot: " << QString::fromStdString(error) << "\n";
        return 1;
    }
    out() << "wrote " << output << " (" << imageWidth << " x " << imageHeight << ")\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int status = 2;
    try {
        status = run(app);
    } catch (const std::exception& e) {
        QTextStream(stderr) << "textshot: " << e.what() << "\n";
    }
    out().flush();
    const bool lost = out().status() == QTextStream::WriteFailed;
    status = FinishStandardOutput("textshot", status);
    if (lost && status == 0) {
        QTextStream(stderr) << "textshot: cannot write to standard output\n";
        status = 1;
    }
    return status;
}
